# Cross-compiling for 64-bit Windows with MinGW-w64 (Debian's
# g++-mingw-w64-x86-64). The posix-thread variant of the compiler is used:
# GoogleTest needs std::mutex and std::thread, which the win32-thread variant
# of GCC 12 lacks. Every executable is linked statically, so portata.exe and
# the test programs run on any Windows (and under Wine) with no MinGW DLLs
# beside them.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(PORTATA_MINGW_PREFIX x86_64-w64-mingw32)
find_program(CMAKE_C_COMPILER NAMES ${PORTATA_MINGW_PREFIX}-gcc-posix ${PORTATA_MINGW_PREFIX}-gcc REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES ${PORTATA_MINGW_PREFIX}-g++-posix ${PORTATA_MINGW_PREFIX}-g++ REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${PORTATA_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${PORTATA_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# No link time in the PE header (GNU ld writes the clock's by default), so
# the same sources link to the same portata.exe.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -Wl,--no-insert-timestamp")

# Test programs are run under Wine (add_test with a target as the command).
find_program(PORTATA_WINE NAMES wine wine64)
if(PORTATA_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${PORTATA_WINE})
endif()
