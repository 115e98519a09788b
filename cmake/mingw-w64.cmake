# Shared part of the two MinGW-w64 toolchain files. The includer sets
# VELMORAK_MINGW_TRIPLET (i686-w64-mingw32 or x86_64-w64-mingw32) and the
# processor. POSIX threads, because std::thread and std::mutex need them.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${VELMORAK_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VELMORAK_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${VELMORAK_MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${VELMORAK_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Static zlib from libz-mingw-w64-dev.
set(ZLIB_LIBRARY /usr/${VELMORAK_MINGW_TRIPLET}/lib/libz.a)
set(ZLIB_INCLUDE_DIR /usr/${VELMORAK_MINGW_TRIPLET}/include)

# ctest runs every test program under Wine.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-run)
