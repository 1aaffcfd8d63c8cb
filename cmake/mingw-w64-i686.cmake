# MinGW-w64 i686: the 32-bit saver we ship. SSE2 double arithmetic, so that the effect's
# draw-scale-truncate expressions give the same integers as on x86_64 (x87 extended precision
# does not). These machines cannot run 32-bit Windows programs: no emulator is set.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(TORVEX_TRIPLE i686-w64-mingw32)

set(CMAKE_C_COMPILER ${TORVEX_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TORVEX_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${TORVEX_TRIPLE}-windres)
set(CMAKE_OBJDUMP ${TORVEX_TRIPLE}-objdump)

set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse")

set(CMAKE_FIND_ROOT_PATH /usr/${TORVEX_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
