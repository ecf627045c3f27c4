# GoogleTest for the tests: the installed package, or built from its sources
# with this build's own compiler and standard library. The sources are
# needed where no installed GoogleTest fits: the Windows cross build
# (Debian's libgtest-dev holds Linux libraries only) and the libc++ build
# (an installed GoogleTest is built against libstdc++).
if(WIN32)
  set(portata_googletest_default /usr/src/googletest)
else()
  set(portata_googletest_default "")
endif()
set(PORTATA_GOOGLETEST_SOURCE "${portata_googletest_default}" CACHE PATH
    "GoogleTest sources to build with this build's compiler (empty: the installed GoogleTest)")

# Sets `found` to TRUE when GTest::gtest and GTest::gtest_main exist.
function(portata_find_googletest found)
  set(${found} FALSE PARENT_SCOPE)
  if(NOT PORTATA_GOOGLETEST_SOURCE)
    find_package(GTest QUIET)
    if(GTest_FOUND)
      set(${found} TRUE PARENT_SCOPE)
    endif()
    return()
  endif()
  if(NOT EXISTS ${PORTATA_GOOGLETEST_SOURCE}/CMakeLists.txt)
    message(STATUS "no GoogleTest sources in ${PORTATA_GOOGLETEST_SOURCE}")
    return()
  endif()
  set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(${PORTATA_GOOGLETEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  set(${found} TRUE PARENT_SCOPE)
endfunction()
