# zig's clang for aarch64-linux-musl.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(PORTATA_ZIG_TARGET aarch64-linux-musl)
include(${CMAKE_CURRENT_LIST_DIR}/zig.cmake)

# Linked statically: the program and the tests run on any aarch64 Linux,
# and here under qemu-aarch64, which then needs no aarch64 C library.
set(CMAKE_EXE_LINKER_FLAGS_INIT -static)
find_program(PORTATA_QEMU_AARCH64 NAMES qemu-aarch64 qemu-aarch64-static)
if(PORTATA_QEMU_AARCH64)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${PORTATA_QEMU_AARCH64})
endif()
