# Cross-compiling with zig's clang (zig cc and zig c++): one compiler that
# carries the C libraries and headers of musl and glibc, macOS's headers and
# libSystem stubs, and builds libc++ for the target itself. Included by the
# per-target toolchain files (cmake/zig-*.cmake), which set
# PORTATA_ZIG_TARGET (zig's triple, e.g. aarch64-linux-musl),
# CMAKE_SYSTEM_NAME and CMAKE_SYSTEM_PROCESSOR first, and PORTATA_ZIG_CPU
# where the target's baseline CPU is not zig's default for the triple.
#
# zig is looked for where .ci/install-zig puts it (build/tools/zig),
# then on PATH; PORTATA_ZIG names another one.
find_program(PORTATA_ZIG NAMES zig
  HINTS ${CMAKE_CURRENT_LIST_DIR}/../build/tools/zig
  DOC "zig, whose cc and c++ build for other targets")
if(NOT PORTATA_ZIG)
  message(FATAL_ERROR "zig not found: run .ci/install-zig (zig 0.11.0 into build/tools/zig) or set PORTATA_ZIG")
endif()

# The compiler as a list: the program, then the arguments it always needs.
# zig builds the target's libc++ and C library on first use, once for each
# optimisation level it finds on the command line: -O2 on every command,
# CMake's own checks included, makes that one build per target (a few
# minutes each), shared by every build type.
set(portata_zig_flags -target ${PORTATA_ZIG_TARGET} -O2)
if(PORTATA_ZIG_CPU)
  list(APPEND portata_zig_flags -mcpu=${PORTATA_ZIG_CPU})
endif()
set(CMAKE_C_COMPILER ${PORTATA_ZIG} cc ${portata_zig_flags})
set(CMAKE_CXX_COMPILER ${PORTATA_ZIG} c++ ${portata_zig_flags})

# Static libraries through zig's own archiver, which writes the symbol
# index of Mach-O objects too.
foreach(lang C CXX)
  set(CMAKE_${lang}_ARCHIVE_CREATE "${PORTATA_ZIG} ar qc <TARGET> <LINK_FLAGS> <OBJECTS>")
  set(CMAKE_${lang}_ARCHIVE_APPEND "${PORTATA_ZIG} ar q <TARGET> <LINK_FLAGS> <OBJECTS>")
  set(CMAKE_${lang}_ARCHIVE_FINISH "${PORTATA_ZIG} ranlib <TARGET>")
endforeach()

# Nothing of the build machine's headers or libraries.
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# pkg-config would answer with the build machine's libraries (libvterm for
# a test): here it looks in a folder that does not exist, and finds none.
# (An empty value would unset the variable.)
set(ENV{PKG_CONFIG_LIBDIR} /nonexistent/pkgconfig)
unset(ENV{PKG_CONFIG_PATH})
