# The suite of the engine's upper half: sessions, database objects and the
# table cursor.
velmorak_add_test(NAME cursor_tests
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/cursor_session_test.cpp
  LIBS velmorak_database velmorak_zvdb_creator)
