# The filter language: lexer, parser, type rules, date readers, LIKE and the
# evaluation over a real table cursor.
velmorak_add_test(NAME filter_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/filter_test.cpp
  LIBS velmorak_database velmorak_zvdb_creator)
