# zig's clang for x86_64-macos.
set(CMAKE_SYSTEM_NAME Darwin)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(PORTATA_ZIG_TARGET x86_64-macos)
include(${CMAKE_CURRENT_LIST_DIR}/zig.cmake)

# CMake asks for install_name_tool on macOS; nothing here is a shared
# library whose install name it would change.
set(CMAKE_INSTALL_NAME_TOOL /bin/true)
