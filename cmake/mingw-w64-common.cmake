# Cross-compiling for Windows with Debian's MinGW-w64 toolchain; included by the toolchain file
# of each processor after it has set VEXMORA_MINGW_PREFIX, CMAKE_SYSTEM_PROCESSOR and
# VEXMORA_WINE_LOADER. The "-posix" compilers use the POSIX thread model, which std::thread and
# std::mutex need.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${VEXMORA_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VEXMORA_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${VEXMORA_MINGW_PREFIX}-windres)

# Libraries and headers come from the cross sysroot only; build tools from the host.
set(CMAKE_FIND_ROOT_PATH /usr/${VEXMORA_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Self-contained program files: the compiler's runtime and the thread library linked in, so
# they import system DLLs only.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# GCC 12 reports std::string copies that inline into memcpy as overlapping (a known false
# positive of -Wrestrict in this compiler version), which would stop a build with -Werror. The
# presets build with -O2 for the same reason: at -O3 this compiler also takes arrays of strings
# for uninitialised.
set(CMAKE_CXX_FLAGS_INIT "-Wno-restrict")

# Test executables run under wine on the build machine.
if(EXISTS ${VEXMORA_WINE_LOADER})
  set(CMAKE_CROSSCOMPILING_EMULATOR ${VEXMORA_WINE_LOADER})
endif()
