# The same sources for 64-bit Windows: the test build on machines whose kernel cannot run
# 32-bit code (Wine then runs 64-bit only).
set(CORVALIS_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR AMD64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
set(CMAKE_CROSSCOMPILING_EMULATOR /usr/lib/wine/wine64)
