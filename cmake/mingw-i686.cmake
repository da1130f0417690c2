# The product: 32-bit Windows. Test programs run under Wine.
set(CORVALIS_MINGW_PREFIX i686-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR x86)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
