# Compiler warnings and sanitizers, shared by every target through portata_options.
function(portata_set_warnings target)
  target_compile_options(${target} INTERFACE
    -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wsign-conversion
    -Wnon-virtual-dtor -Wold-style-cast -Wcast-align -Wnull-dereference
    -Wdouble-promotion -Wformat=2 -Wimplicit-fallthrough)
  if(PORTATA_WERROR)
    target_compile_options(${target} INTERFACE -Werror)
  endif()
  if(PORTATA_SANITIZE)
    target_compile_options(${target} INTERFACE
      -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
    target_link_options(${target} INTERFACE -fsanitize=address,undefined)
  endif()
endfunction()
