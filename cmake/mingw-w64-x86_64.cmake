# Cross build of the Windows (x86-64) worker with Debian's MinGW-w64 compilers, POSIX thread model.
# The C and C++ runtimes (libgcc, libstdc++, winpthread) are linked statically, so the programs need
# no MinGW DLL beside them.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(VESK_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${VESK_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VESK_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${VESK_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${VESK_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++")

# -O2 rather than -O3: at -O3 GCC 12 reports false -Wrestrict overlaps inside libstdc++'s string
# concatenation, which the warnings-as-errors build would stop on.
set(CMAKE_C_FLAGS_RELEASE "-O2 -DNDEBUG" CACHE STRING "Flags of the Release build")
set(CMAKE_CXX_FLAGS_RELEASE "-O2 -DNDEBUG" CACHE STRING "Flags of the Release build")
