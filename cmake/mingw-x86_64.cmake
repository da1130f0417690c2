# Cross-compiling the same sources for 64-bit Windows: the test build on machines whose kernel
# cannot run 32-bit code (Wine then runs 64-bit only).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR AMD64)

set(CORVALIS_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER   ${CORVALIS_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${CORVALIS_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER  ${CORVALIS_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${CORVALIS_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# Test programs run under Wine.
set(CMAKE_CROSSCOMPILING_EMULATOR /usr/lib/wine/wine64)
