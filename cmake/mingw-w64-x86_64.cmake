# Cross-compiles for 64-bit Windows with Debian's mingw-w64 (package
# g++-mingw-w64-x86-64-posix: GCC with POSIX threads, which std::thread and
# std::mutex need) and runs what it built under Wine:
#
#   cmake -S . -B build-win -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
#
# The C and C++ run-times are linked statically, so an .exe needs no DLL
# beside it. scripts/test-windows builds and tests that way.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(VKT_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${VKT_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VKT_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${VKT_MINGW_TRIPLE}-windres)

# Libraries and headers come from the cross environment only; programs run
# during the build are the host's.
set(CMAKE_FIND_ROOT_PATH /usr/${VKT_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Test programs run under Wine (Debian's wine64 installs it outside PATH),
# with a Wine prefix of the build's own and Wine's messages off.
if(NOT CMAKE_CROSSCOMPILING_EMULATOR)
  find_program(VKT_WINE64 NAMES wine64 PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
  if(VKT_WINE64)
    set(CMAKE_CROSSCOMPILING_EMULATOR
        env WINEPREFIX=${CMAKE_BINARY_DIR}/wine WINEDEBUG=-all ${VKT_WINE64}
        CACHE STRING "How the build runs Windows programs")
  endif()
endif()
