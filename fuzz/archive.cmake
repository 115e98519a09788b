# The archive reader on arbitrary bytes: open, list, test every item.
velmorak_add_fuzzer(NAME archive_fuzz SOURCES ${CMAKE_CURRENT_LIST_DIR}/archive_fuzz.cpp LIBS velmorak_archive)
