# Test helpers shared by every tests/<area>/CMakeLists.txt.
#
#   velmorak_add_test(NAME crypto_tests SOURCES a.cpp b.cpp LIBS velmorak_crypto)
#
# builds one GoogleTest executable and registers it as one ctest entry. On the
# win32 build ctest runs it under Wine (CMAKE_CROSSCOMPILING_EMULATOR); the
# test data folder is passed as VELMORAK_TEST_DATA, an absolute path that Wine
# reaches through its Z: drive.

if(CMAKE_CROSSCOMPILING)
  # Debian's googletest package installs the sources; build them with our
  # cross compiler so the test runtime matches the program's.
  set(VELMORAK_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources")
  set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(${VELMORAK_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  set(VELMORAK_GTEST_LIBS GTest::gtest GTest::gtest_main)
  if(NOT TARGET GTest::gtest)
    set(VELMORAK_GTEST_LIBS gtest gtest_main)
  endif()
else()
  find_package(GTest REQUIRED)
  set(VELMORAK_GTEST_LIBS GTest::gtest GTest::gtest_main)
endif()

function(velmorak_add_test)
  cmake_parse_arguments(T "" "NAME;TIMEOUT" "SOURCES;LIBS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} ${VELMORAK_GTEST_LIBS})
  target_compile_definitions(${T_NAME} PRIVATE VELMORAK_TEST_DATA="${CMAKE_SOURCE_DIR}/tests/data")
  add_test(NAME ${T_NAME} COMMAND ${T_NAME} --gtest_color=no)
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 900)
  endif()
  set_tests_properties(${T_NAME} PROPERTIES TIMEOUT ${T_TIMEOUT})
endfunction()
