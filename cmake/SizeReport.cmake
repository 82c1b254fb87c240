# Where the bytes of a firmware image go, read from lld-link's map (/lldmap).
#
# Included from a CMakeLists.txt, it defines
#   tolvern_size_report(<target> <image target>)
# a custom target that prints the report of that image. Run as a script
# (cmake -DMAP=<map> -DIMAGE=<image> -P SizeReport.cmake) it prints the report:
# every function and data object of the image with its size and share of the
# file, largest first, together with the PE headers, the base relocations and
# the alignment padding between them.

if(NOT CMAKE_SCRIPT_MODE_FILE)
  function(tolvern_size_report TARGET IMAGE_TARGET)
    get_target_property(image ${IMAGE_TARGET} TOLVERN_IMAGE)
    get_target_property(map ${IMAGE_TARGET} TOLVERN_IMAGE_MAP)
    add_custom_target(${TARGET}
      COMMAND ${CMAKE_COMMAND} -DMAP=${map} -DIMAGE=${image} -P ${CMAKE_CURRENT_FUNCTION_LIST_FILE}
      DEPENDS ${IMAGE_TARGET}
      USES_TERMINAL
      COMMENT "Size of ${IMAGE_TARGET}, from the linker's map"
      VERBATIM)
  endfunction()
  return()
endif()

foreach(input MAP IMAGE)
  if(NOT EXISTS "${${input}}")
    message(FATAL_ERROR "size report: ${input} '${${input}}' does not exist")
  endif()
endforeach()
file(SIZE "${IMAGE}" file_size)

# The map lists output sections ("<address> <size> <align> .text"), under each
# its input chunks ("<address> <size> <align> <object>:(.rdata)"), and under
# each chunk the symbols it defines ("<address> 00000000 0 <name>"). A chunk
# without a symbol is a compiler-made constant such as a jump table.
file(STRINGS "${MAP}" lines)
set(rows "")
set(chunk_size -1)
set(chunk_names "")
set(chunk_kind "")
set(used 0)
set(first_section -1)
set(end_of_sections 0)

# Appends "<zero-padded size>|<kind>|<name>" to rows, for sorting.
function(add_row size kind name)
  string(LENGTH "${size}" digits)
  math(EXPR pad "8 - ${digits}")
  string(REPEAT "0" ${pad} zeros)
  list(APPEND rows "${zeros}${size}|${kind}|${name}")
  math(EXPR used "${used} + ${size}")
  set(rows "${rows}" PARENT_SCOPE)
  set(used ${used} PARENT_SCOPE)
endfunction()

macro(flush_chunk)
  if(chunk_size GREATER 0)
    if(chunk_names STREQUAL "")
      set(chunk_names "(unnamed constant, e.g. a jump table)")
    endif()
    add_row(${chunk_size} ${chunk_kind} "${chunk_names}")
  endif()
  set(chunk_size -1)
  set(chunk_names "")
endmacro()

foreach(line IN LISTS lines)
  if(line MATCHES "^([0-9a-f]+) ([0-9a-f]+) +([0-9]+) (.*)$")
    math(EXPR address "0x${CMAKE_MATCH_1}")
    math(EXPR size "0x${CMAKE_MATCH_2}")
    set(rest "${CMAKE_MATCH_4}")
    if(rest MATCHES "^(\\.[A-Za-z0-9_$]+)$")
      # An output section.
      flush_chunk()
      set(section "${CMAKE_MATCH_1}")
      if(first_section LESS 0)
        set(first_section ${address})
      endif()
      math(EXPR end_of_sections "${address} + ${size}")
      if(section STREQUAL ".reloc")
        add_row(${size} "relocs" "base relocations (.reloc)")
      endif()
    elseif(rest MATCHES "^ +[^ ].*:\\((\\.[a-z]+)[^)]*\\)$")
      # An input chunk.
      flush_chunk()
      set(chunk_size ${size})
      if(CMAKE_MATCH_1 STREQUAL ".text")
        set(chunk_kind "code")
      else()
        set(chunk_kind "data")
      endif()
    elseif(rest MATCHES "^ +([^ ].*)$" AND chunk_size GREATER_EQUAL 0)
      # A symbol of the current chunk.
      if(chunk_names STREQUAL "")
        set(chunk_names "${CMAKE_MATCH_1}")
      else()
        set(chunk_names "${chunk_names}, ${CMAKE_MATCH_1}")
      endif()
    endif()
  endif()
endforeach()
flush_chunk()

if(first_section LESS 0)
  message(FATAL_ERROR "size report: no sections in ${MAP}")
endif()
# Sections start at the same offset in the file as in memory, so the first
# one's address is the size of the headers.
add_row(${first_section} "headers" "DOS stub, PE headers and section table")
math(EXPR padding "${file_size} - ${used}")
add_row(${padding} "padding" "alignment between chunks and of the sections' ends")

list(SORT rows ORDER DESCENDING)
set(report "")
string(APPEND report "${IMAGE}: ${file_size} bytes\n")
string(APPEND report "   bytes  share  kind     what\n")
foreach(row IN LISTS rows)
  string(REGEX MATCH "^0*([0-9]+)\\|([a-z]+)\\|(.*)$" ignored "${row}")
  set(size "${CMAKE_MATCH_1}")
  if(size STREQUAL "")
    set(size 0)
  endif()
  set(kind "${CMAKE_MATCH_2}")
  set(name "${CMAKE_MATCH_3}")
  math(EXPR tenths "(${size} * 1000 + ${file_size} / 2) / ${file_size}")
  math(EXPR whole "${tenths} / 10")
  math(EXPR fraction "${tenths} % 10")
  set(share "${whole}.${fraction}%")
  string(LENGTH "${size}" n)
  math(EXPR n "8 - ${n}")
  string(REPEAT " " ${n} size_pad)
  string(LENGTH "${share}" n)
  math(EXPR n "6 - ${n}")
  string(REPEAT " " ${n} share_pad)
  string(LENGTH "${kind}" n)
  math(EXPR n "8 - ${n}")
  string(REPEAT " " ${n} kind_pad)
  string(APPEND report "${size_pad}${size} ${share_pad}${share}  ${kind}${kind_pad} ${name}\n")
endforeach()
message("${report}")
