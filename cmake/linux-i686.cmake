# The portable core built -m32 with the shipping build's floating-point flags, run under
# qemu-i386 (the kernel here runs no 32-bit programs). Linked statically so that qemu needs no
# 32-bit loader or libraries.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(CMAKE_C_COMPILER gcc)
set(CMAKE_CXX_COMPILER g++)
set(CMAKE_C_FLAGS_INIT "-m32 -msse2 -mfpmath=sse")
set(CMAKE_CXX_FLAGS_INIT "-m32 -msse2 -mfpmath=sse")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-m32 -static")

set(CMAKE_CROSSCOMPILING_EMULATOR qemu-i386)
