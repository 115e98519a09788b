# The same sources for 64-bit Windows. It exists for machines that cannot
# execute 32-bit Linux programs, where 32-bit Wine cannot start: there the
# Windows test suites run from this build under 64-bit Wine, so the real
# Windows calls (files, attributes, times, locks, collation) are still tested.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(VELMORAK_MINGW_TRIPLET x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
