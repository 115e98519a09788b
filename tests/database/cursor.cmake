# The suite of the engine's upper half: sessions, database objects and the
# table cursor. The worker is a helper program the multi-process case starts
# several times at once.
add_executable(cursor_worker ${CMAKE_CURRENT_LIST_DIR}/cursor_worker.cpp)
target_link_libraries(cursor_worker PRIVATE velmorak_database)

velmorak_add_test(NAME cursor_tests
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/cursor_session_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/cursor_table_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/cursor_installer_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/cursor_multiprocess_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/cursor_login_test.cpp
  LIBS velmorak_database velmorak_zvdb velmorak_forms)
target_compile_definitions(cursor_tests PRIVATE CURSOR_WORKER="$<TARGET_FILE:cursor_worker>")
add_dependencies(cursor_tests cursor_worker)
