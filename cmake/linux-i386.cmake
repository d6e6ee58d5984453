# 32-bit Linux (i386) on an x86-64 Debian with g++-multilib and the i386
# libraries, as the shipped 32-bit code meets it: file offsets and time are
# 64-bit (large-file and 64-bit-time flags), everything else is 32-bit. The
# programs run through qemu-i386-static registered in binfmt_misc
# (scripts/bootstrap).
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_LIBRARY_ARCHITECTURE i386-linux-gnu)
set(velto_i386_flags "-m32 -D_FILE_OFFSET_BITS=64 -D_TIME_BITS=64")
set(CMAKE_C_FLAGS_INIT "${velto_i386_flags}")
set(CMAKE_CXX_FLAGS_INIT "${velto_i386_flags}")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-m32")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-m32")
