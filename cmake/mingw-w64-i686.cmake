# The product's build: 32-bit Windows, run under 32-bit Wine for the tests.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(VELMORAK_MINGW_TRIPLET i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
