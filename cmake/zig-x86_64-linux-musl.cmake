# zig's clang for x86_64-linux-musl.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(PORTATA_ZIG_TARGET x86_64-linux-musl)
include(${CMAKE_CURRENT_LIST_DIR}/zig.cmake)

# Linked statically: the build machine has no musl loader, and the program
# then runs on any x86_64 Linux.
set(CMAKE_EXE_LINKER_FLAGS_INIT -static)
