# 32-bit Windows (PE32), the program's own platform.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(VEXMORA_MINGW_PREFIX i686-w64-mingw32)
set(VEXMORA_WINE_LOADER /usr/lib/wine/wine)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
