# The firmware must come out byte for byte the same from the same sources,
# whatever directory they and the build lie in.
#
# Included from the host build, it defines
#   tolvern_reproducible_image_test(<test name>)
# a CTest test that copies the firmware's sources to two directories of
# different names and depths, configures and builds the firmware build in
# each with the same toolchain file, and compares the module image, the
# failing-constructor image, the consumer PEIM and the boot platform with the
# build's own. Run as a script, it is that test.

if(NOT CMAKE_SCRIPT_MODE_FILE)
  function(tolvern_reproducible_image_test TEST_NAME)
    add_test(NAME ${TEST_NAME}
             COMMAND ${CMAKE_COMMAND} -DSOURCE_DIR=${CMAKE_SOURCE_DIR}
                     -DREFERENCE_DIR=${TOLVERN_FIRMWARE_DIR}
                     -DWORK_DIR=${CMAKE_CURRENT_BINARY_DIR}/reproducible
                     -P ${CMAKE_CURRENT_FUNCTION_LIST_FILE})
    set_tests_properties(${TEST_NAME} PROPERTIES TIMEOUT 600)
  endfunction()
  return()
endif()

# What the firmware build reads: its CMake files and the sources it compiles.
set(FIRMWARE_TREE CMakeLists.txt cmake MdePkg Platform Feature FirmwareVolume FlashMapConsumer
                  BootPlatform Tests/Firmware Debugger)
set(OUTPUTS TolvernImage.efi TolvernImageFailingConstructor.efi FlashMapConsumer.efi
            BootPlatform.bin)

# Builds the firmware from a copy of the sources under Root.
function(build_copy Root)
  file(REMOVE_RECURSE "${Root}")
  set(source "${Root}/source tree")
  foreach(part IN LISTS FIRMWARE_TREE)
    get_filename_component(parent "${source}/${part}" DIRECTORY)
    file(COPY "${SOURCE_DIR}/${part}" DESTINATION "${parent}")
  endforeach()
  execute_process(COMMAND "${CMAKE_COMMAND}" -G Ninja -S "${source}" -B "${Root}/build"
                          "-DCMAKE_TOOLCHAIN_FILE=${source}/cmake/Ia32Firmware.toolchain.cmake"
                  OUTPUT_QUIET RESULT_VARIABLE failed)
  if(NOT failed)
    execute_process(COMMAND "${CMAKE_COMMAND}" --build "${Root}/build" OUTPUT_QUIET
                    RESULT_VARIABLE failed)
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
foreach(output IN LISTS OUTPUTS)
  file(SHA256 "${REFERENCE_DIR}/${output}" reference)
  message("${reference}  ${output}")
  foreach(copy IN ITEMS "${first}" "${second}")
    file(SHA256 "${copy}/build/${output}" hash)
    if(NOT hash STREQUAL reference)
      message("${hash}  ${copy}/build/${output} differs")
      set(differ TRUE)
    endif()
  endforeach()
endforeach()
if(differ)
  message(FATAL_ERROR "the same sources gave different firmware (compare with cmp -l)")
endif()
file(REMOVE_RECURSE "${WORK_DIR}")
