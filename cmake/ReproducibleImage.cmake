# The firmware must come out byte for byte the same from the same sources,
# whatever directory they and the build lie in.
#
#   cmake -DSOURCE_DIR=<tree> -DWORK_DIR=<dir> -DREFERENCES=<file;...> -P ReproducibleImage.cmake
#
# copies the tree to two directories of different names and depths,
# configures the one build in each, builds the firmware targets alone, and
# compares each firmware file with the reference of the same name.
set(TARGETS TolvernImage TolvernImageFailingConstructor FlashMapConsumer BootPlatform)

# Builds the firmware from a copy of the sources under Root.
function(build_copy Root)
  file(REMOVE_RECURSE "${Root}")
  set(source "${Root}/source tree")
  file(MAKE_DIRECTORY "${source}")
  file(GLOB parts RELATIVE "${SOURCE_DIR}" "${SOURCE_DIR}/*")
  list(REMOVE_ITEM parts build .git)
  foreach(part IN LISTS parts)
    file(COPY "${SOURCE_DIR}/${part}" DESTINATION "${source}")
  endforeach()
  execute_process(COMMAND "${CMAKE_COMMAND}" -G Ninja -S "${source}" -B "${Root}/build"
                          -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++
                          -DTOLVERN_SLOW_TESTS=OFF
                  OUTPUT_QUIET RESULT_VARIABLE failed)
  if(NOT failed)
    execute_process(COMMAND "${CMAKE_COMMAND}" --build "${Root}/build" --target ${TARGETS}
                    OUTPUT_QUIET RESULT_VARIABLE failed)
  endif()
  if(failed)
    message(FATAL_ERROR "building the firmware in ${Root} failed")
  endif()
endfunction()

set(first "${WORK_DIR}/a")
set(second "${WORK_DIR}/elsewhere/at another depth/b")
build_copy("${first}")
build_copy("${second}")
set(differ FALSE)
foreach(reference IN LISTS REFERENCES)
  get_filename_component(name "${reference}" NAME)
  file(SHA256 "${reference}" expected)
  message("${expected}  ${name}")
  foreach(copy IN ITEMS "${first}" "${second}")
    file(SHA256 "${copy}/build/firmware/${name}" hash)
    if(NOT hash STREQUAL expected)
      message("${hash}  ${copy}/build/firmware/${name} differs")
      set(differ TRUE)
    endif()
  endforeach()
endforeach()
if(differ)
  message(FATAL_ERROR "the same sources gave different firmware (compare with cmp -l)")
endif()
file(REMOVE_RECURSE "${WORK_DIR}")
