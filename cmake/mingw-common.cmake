# Cross-compiling for Windows with MinGW-w64 (posix threads: GoogleTest needs std::mutex).
# Included by the toolchain files, which set RAVELIN_MINGW_CPU (i686 or x86_64).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${RAVELIN_MINGW_CPU})

set(CMAKE_C_COMPILER   ${RAVELIN_MINGW_CPU}-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER ${RAVELIN_MINGW_CPU}-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER  ${RAVELIN_MINGW_CPU}-w64-mingw32-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${RAVELIN_MINGW_CPU}-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# CTest runs every test executable under Wine, each suite in a prefix of its own.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-suite.sh)
