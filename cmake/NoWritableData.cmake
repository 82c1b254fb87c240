# The image runs in place from flash: it may hold no writable data. Its empty
# .data is merged into .text to save a section header, so a writable object
# would no longer show as a writable section; this test reads the linker map
# for non-empty input sections named .data or .bss instead.
#
# Included from a CMakeLists.txt, it defines
#   tolvern_no_writable_data_test(<test name> <image target>)
# Run as a script (cmake -DMAP=<map> -P NoWritableData.cmake), it is that test.

if(NOT CMAKE_SCRIPT_MODE_FILE)
  function(tolvern_no_writable_data_test TEST_NAME IMAGE_TARGET)
    get_target_property(map ${IMAGE_TARGET} TOLVERN_IMAGE_MAP)
    add_test(NAME ${TEST_NAME} COMMAND ${CMAKE_COMMAND} -DMAP=${map}
                                       -P ${CMAKE_CURRENT_FUNCTION_LIST_FILE})
  endfunction()
  return()
endif()

if(NOT EXISTS "${MAP}")
  message(FATAL_ERROR "no linker map at '${MAP}'")
endif()
file(STRINGS "${MAP}" lines)
list(LENGTH lines count)
if(count LESS 3)
  message(FATAL_ERROR "${MAP} lists nothing")
endif()
set(writable "")
foreach(line IN LISTS lines)
  # "<address> <size> <align> <object>:(.data)"; an empty one holds nothing.
  if(line MATCHES "^[0-9a-f]+ ([0-9a-f]+) .*:\\((\\.data|\\.bss)[^)]*\\)$" AND
     NOT CMAKE_MATCH_1 MATCHES "^0+$")
    list(APPEND writable "${line}")
  endif()
endforeach()
if(writable)
  string(REPLACE ";" "\n" writable "${writable}")
  message(FATAL_ERROR "writable data in the image:\n${writable}")
endif()
message("${MAP}: no writable input section holds anything")
