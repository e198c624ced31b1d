# Cross-compiles for 64-bit Windows with mingw-w64's POSIX-thread compilers.
# Only for testing: the shipped program and its installer are 32-bit, but a
# machine whose kernel runs no 32-bit programs can still run these builds
# under the 64-bit Wine (/usr/lib/wine/wine64).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# Test programs run with the 64-bit Wine in a 64-bit prefix of their own
# (build/wineprefix64), with one wineserver kept alive.
set(CMAKE_CROSSCOMPILING_EMULATOR env TICKWELL_WINE_BITS=64
    ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-env.sh)
