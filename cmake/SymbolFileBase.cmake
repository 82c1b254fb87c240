# The base to link an image's symbol copy at: its sections are aligned to
# SECTION_ALIGNMENT, so its first section lies at that RVA, and this base puts
# it at the address the image's first section has.
#
#   cmake -DIMAGE=<image.efi> -DSECTION_ALIGNMENT=<n> -DOUTPUT=<file> -P SymbolFileBase.cmake
#
# writes "/base:0x..." to OUTPUT, a response file for lld-link.

# The little-endian number of Size bytes at Offset of IMAGE.
function(read_number Offset Size Out)
  math(EXPR offset "${Offset}")
  file(READ "${IMAGE}" hex OFFSET ${offset} LIMIT ${Size} HEX)
  string(LENGTH "${hex}" digits)
  math(EXPR wanted "${Size} * 2")
  if(NOT digits EQUAL wanted)
    message(FATAL_ERROR "${IMAGE} ends inside the ${Size} bytes at ${offset}")
  endif()
  math(EXPR last "${digits} - 2")
  set(value "")
  foreach(at RANGE 0 ${last} 2)
    string(SUBSTRING "${hex}" ${at} 2 byte)
    set(value "${byte}${value}")
  endforeach()
  math(EXPR value "0x${value}")
  set(${Out} ${value} PARENT_SCOPE)
endfunction()

read_number(0x3C 4 pe)
math(EXPR optional "${pe} + 24")
read_number(${optional}+28 4 image_base)
read_number(${pe}+20 2 optional_size)
math(EXPR first_section "${optional} + ${optional_size}")
read_number(${first_section}+12 4 first_rva)
math(EXPR base "${image_base} + ${first_rva} - ${SECTION_ALIGNMENT}" OUTPUT_FORMAT HEXADECIMAL)
file(WRITE "${OUTPUT}" "/base:${base}\n")
