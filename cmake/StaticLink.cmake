# The static link of the program in optimised builds. A static portata needs
# no dynamic loader and no relocation of libstdc++ at start-up, and only the
# library code it calls is mapped: in the whole-run benchmark its first
# screen comes sooner, and its peak memory is lower, than those of a few
# lines of dynamically linked C (bench/floor.c). Debug and sanitizer builds
# stay dynamic: valgrind and the sanitizers need to replace malloc.
include(CheckCXXSourceCompiles)

option(PORTATA_STATIC "Link portata statically in release builds (faster start, less memory)" ON)

function(portata_link_static target)
  if(NOT PORTATA_STATIC OR PORTATA_SANITIZE OR PORTATA_FUZZ OR NOT CMAKE_SYSTEM_NAME STREQUAL "Linux")
    return()
  endif()
  if(NOT CMAKE_BUILD_TYPE MATCHES "^(Release|MinSizeRel)$")
    return()
  endif()
  # Where the static C library is missing, the C++ runtime alone is linked
  # statically; where that fails too, the link stays as it is.
  set(CMAKE_REQUIRED_LINK_OPTIONS -static)
  check_cxx_source_compiles("#include <string>\nint main(int c, char**) { return static_cast<int>(std::to_string(c).size()); }"
                            PORTATA_CAN_LINK_STATIC)
  if(PORTATA_CAN_LINK_STATIC)
    target_link_options(${target} PRIVATE -static)
    return()
  endif()
  set(CMAKE_REQUIRED_LINK_OPTIONS -static-libstdc++ -static-libgcc)
  check_cxx_source_compiles("#include <string>\nint main(int c, char**) { return static_cast<int>(std::to_string(c).size()); }"
                            PORTATA_CAN_LINK_STATIC_CXX)
  if(PORTATA_CAN_LINK_STATIC_CXX)
    target_link_options(${target} PRIVATE -static-libstdc++ -static-libgcc)
  endif()
endfunction()

# A release program is linked without symbols or debug information: the
# cross presets' builds are both what their tests run and what the release
# packs (packaging/dist.sh), so the program the tests ran is the one shipped.
option(PORTATA_STRIP "Link portata without symbols (the release presets)" OFF)

function(portata_link_stripped target)
  if(PORTATA_STRIP)
    target_link_options(${target} PRIVATE -s)
  endif()
endfunction()
