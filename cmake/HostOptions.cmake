# What every host target (tools, simulator, tests, fuzzers, benchmark) is
# built with, and only host targets: the firmware targets state their own
# flags in cmake/FirmwareTarget.cmake.
#
#   tolvern_host_target(<target>...) gives each target the host options and
#   this project's warnings.
add_library(TolvernHostOptions INTERFACE)
# Build types add no flags to this build (they would reach the firmware too):
# the host's optimisation and debug information are stated here.
target_compile_options(TolvernHostOptions INTERFACE -O2 -g -DNDEBUG)
# ABI and instrumentation apply to everything linked together, GoogleTest too.
if(TOLVERN_HOST32)
  target_compile_options(TolvernHostOptions INTERFACE -m32)
  target_link_options(TolvernHostOptions INTERFACE -m32)
endif()
if(TOLVERN_SANITIZE)
  target_compile_options(TolvernHostOptions INTERFACE -fsanitize=address,undefined
                                                      -fno-sanitize-recover=all
                                                      -fno-omit-frame-pointer)
  target_link_options(TolvernHostOptions INTERFACE -fsanitize=address,undefined)
endif()

function(tolvern_host_target)
  foreach(target ${ARGN})
    target_link_libraries(${target} PRIVATE TolvernHostOptions)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
  endforeach()
endfunction()

# GoogleTest: Debian's package where its library fits this build. The 32-bit
# build needs it compiled with -m32, from the sources Debian's googletest
# package installs.
if(TOLVERN_HOST32)
  set(TOLVERN_GOOGLETEST_SOURCE_DIR /usr/src/googletest
      CACHE PATH "GoogleTest's sources, compiled with -m32 for the 32-bit build")
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(${TOLVERN_GOOGLETEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest
                   EXCLUDE_FROM_ALL)
  foreach(library gtest gtest_main gmock gmock_main)
    target_link_libraries(${library} PRIVATE TolvernHostOptions)
  endforeach()
else()
  find_package(GTest REQUIRED)
endif()
include(GoogleTest)
