# 64-bit Windows (PE32+): the same sources, for running the tests under 64-bit wine on machines
# whose kernel runs no 32-bit code.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(VEXMORA_MINGW_PREFIX x86_64-w64-mingw32)
set(VEXMORA_WINE_LOADER /usr/lib/wine/wine64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
