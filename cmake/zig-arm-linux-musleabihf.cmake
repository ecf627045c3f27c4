# zig's clang for arm-linux-musleabihf: 32-bit ARM with hard-float, as
# Raspberry Pi OS's armhf. Its baseline is the ARM1176JZF-S of the Pi 1 and
# the Pi Zero (ARMv6, VFPv2, floating-point arguments in VFP registers), so
# the one program runs on every Raspberry Pi and on any later ARMv7 or
# ARMv8 board in 32-bit mode. zig builds musl and libc++ for that CPU too.
# (zig 0.11 crashes when this target compiles and links in one command;
# CMake always compiles and links in separate commands.)
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR arm)
set(PORTATA_ZIG_TARGET arm-linux-musleabihf)
set(PORTATA_ZIG_CPU arm1176jzf_s)
include(${CMAKE_CURRENT_LIST_DIR}/zig.cmake)

# Linked statically: the program and the tests run on any armhf Linux,
# and here under qemu-arm, which then needs no armhf C library. qemu
# emulates the ARM1176 itself, so an instruction of a later CPU fails
# the tests.
set(CMAKE_EXE_LINKER_FLAGS_INIT -static)
find_program(PORTATA_QEMU_ARM NAMES qemu-arm qemu-arm-static)
if(PORTATA_QEMU_ARM)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${PORTATA_QEMU_ARM} -cpu arm1176)
endif()
