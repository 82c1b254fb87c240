# The firmware image must come out byte for byte the same from the same
# sources, whatever directory they and the build lie in.
#
# Included from a CMakeLists.txt, it defines
#   tolvern_reproducible_image_test(<test name> <image target>)
# a CTest test that copies the image's sources to two directories of different
# names and depths, compiles and links the image in each with the build's own
# flags, and compares both results with the build's image. Run as a script, it
# is that test.

if(NOT CMAKE_SCRIPT_MODE_FILE)
  function(tolvern_reproducible_image_test TEST_NAME IMAGE_TARGET)
    get_target_property(image ${IMAGE_TARGET} TOLVERN_IMAGE)
    get_target_property(sources ${IMAGE_TARGET} TOLVERN_IMAGE_SOURCES)
    # Lists travel to the script with '|' in place of ';'.
    string(REPLACE ";" "|" cflags "${TOLVERN_FW_CFLAGS}")
    string(REPLACE ";" "|" ldflags "${TOLVERN_FW_LDFLAGS}")
    string(REPLACE ";" "|" sources "${sources}")
    add_test(NAME ${TEST_NAME}
             COMMAND ${CMAKE_COMMAND} -DCLANG=${TOLVERN_FW_CLANG} -DLLD_LINK=${TOLVERN_FW_LLD_LINK}
                     -DCFLAGS=${cflags} -DLDFLAGS=${ldflags} -DSOURCES=${sources}
                     -DSOURCE_DIR=${CMAKE_SOURCE_DIR} -DREFERENCE=${image}
                     -DWORK_DIR=${CMAKE_CURRENT_BINARY_DIR}/reproducible-${IMAGE_TARGET}
                     -P ${CMAKE_CURRENT_FUNCTION_LIST_FILE})
    set_tests_properties(${TEST_NAME} PROPERTIES TIMEOUT 300)
  endfunction()
  return()
endif()

foreach(list CFLAGS LDFLAGS SOURCES)
  string(REPLACE "|" ";" ${list} "${${list}}")
endforeach()

# Builds the image from a copy of the sources under Root; sets <Out> to its path.
function(build_copy Root Out)
  file(REMOVE_RECURSE "${Root}")
  set(source_root "${Root}/source tree")
  set(objects "")
  foreach(source IN LISTS SOURCES)
    file(RELATIVE_PATH relative "${SOURCE_DIR}" "${source}")
    get_filename_component(folder "${relative}" DIRECTORY)
    # The whole folder: the source's headers come along.
    if(NOT EXISTS "${source_root}/${folder}")
      file(COPY "${SOURCE_DIR}/${folder}/" DESTINATION "${source_root}/${folder}")
    endif()
    string(REPLACE "/" "_" object "${relative}")
    list(APPEND objects "${Root}/build/${object}.obj")
  endforeach()
  file(COPY "${SOURCE_DIR}/MdePkg/Include/" DESTINATION "${source_root}/MdePkg/Include")

  string(REPLACE "${SOURCE_DIR}" "${source_root}" flags "${CFLAGS}")
  file(MAKE_DIRECTORY "${Root}/build")
  foreach(source object IN ZIP_LISTS SOURCES objects)
    file(RELATIVE_PATH relative "${SOURCE_DIR}" "${source}")
    execute_process(COMMAND "${CLANG}" ${flags} -c "${source_root}/${relative}" -o "${object}"
                    WORKING_DIRECTORY "${Root}/build" RESULT_VARIABLE failed)
    if(failed)
      message(FATAL_ERROR "compiling ${relative} in ${Root} failed")
    endif()
  endforeach()
  set(image "${Root}/build/image.efi")
  execute_process(COMMAND "${LLD_LINK}" ${LDFLAGS} "/out:${image}" ${objects}
                  WORKING_DIRECTORY "${Root}/build" RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "linking in ${Root} failed")
  endif()
  set(${Out} "${image}" PARENT_SCOPE)
endfunction()

build_copy("${WORK_DIR}/a" first)
build_copy("${WORK_DIR}/elsewhere/at another depth/b" second)
set(differ FALSE)
file(SHA256 "${REFERENCE}" reference_hash)
message("${reference_hash}  ${REFERENCE}")
foreach(image IN ITEMS "${first}" "${second}")
  file(SHA256 "${image}" hash)
  message("${hash}  ${image}")
  if(NOT hash STREQUAL reference_hash)
    set(differ TRUE)
  endif()
endforeach()
if(differ)
  message(FATAL_ERROR "the same sources gave different images (compare with cmp -l)")
endif()
file(REMOVE_RECURSE "${WORK_DIR}")
