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

# The program's own code (platform, runtime, calculator) uses no exceptions:
# failures are results, and the few standard library calls it makes cannot
# throw. Tests and their seams keep them, as GoogleTest wants.
function(portata_no_exceptions target)
  target_compile_options(${target} PRIVATE -fno-exceptions)
endfunction()
