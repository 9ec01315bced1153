# Cross-compiling the Windows programs with MinGW-w64 (Debian's g++-mingw-w64-x86-64-posix).
# The programs and the tests are linked statically, so that the .exe runs on a Windows machine
# with nothing installed; the tests run under Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)

set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Tests, and the test discovery at build time, run under Wine without its debug chatter, through
# a script that starts a program again when Wine ended it before it ran (see wine_test.sh).
find_program(VORAX_WINE NAMES wine wine64 wine-stable)
if(VORAX_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR /bin/sh ${CMAKE_CURRENT_LIST_DIR}/wine_test.sh ${VORAX_WINE})
endif()
