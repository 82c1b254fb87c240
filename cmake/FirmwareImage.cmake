# Builds IA32 PE32 firmware images with clang and lld-link, freestanding.
# The image is linked at its flash address with section alignment equal to
# file alignment, so the file is its own memory image and runs in place.

find_program(TOLVERN_FW_CLANG NAMES clang++-14 clang++ REQUIRED)
find_program(TOLVERN_FW_LLD_LINK NAMES lld-link-14 lld-link REQUIRED)

set(TOLVERN_IMAGE_BASE 0xFFF944A0)

set(TOLVERN_FW_CFLAGS
    --target=i686-pc-windows-msvc -std=c++20 -ffreestanding -nostdlib -nostdinc++
    -fno-exceptions -fno-rtti -fno-threadsafe-statics -fno-asynchronous-unwind-tables
    -fno-stack-protector -mno-stack-arg-probe -mno-sse -mno-mmx -msoft-float
    -fno-builtin -fno-jump-tables -Os -flto -Wall -Wextra -Werror -DTOLVERN_FIRMWARE=1
    -I${CMAKE_SOURCE_DIR}/MdePkg/Include -I${CMAKE_SOURCE_DIR}/Feature/Tolvern)

# /timestamp:0: no link time in the header, so the same sources give the same
# bytes in every build (/Brepro would add a 28-byte debug directory for its
# hash). Identical-code folding has nothing to fold in the one LTO object and
# would hide the string literals from the map. The module has no writable data
# (a test reads the map to make sure), and lld-link makes room in the headers
# for an empty .data unless it is merged away: 64 bytes.
set(TOLVERN_FW_LDFLAGS
    /nologo /WX /driver /entry:PeimEntry /subsystem:efi_boot_service_driver
    /base:${TOLVERN_IMAGE_BASE} /align:32 /filealign:32 /nodefaultlib /opt:ref /opt:noicf
    /merge:.rdata=.text /merge:.data=.text /debug:none /timestamp:0)

# Sources of the module proper, shared by every image variant.
file(GLOB TOLVERN_MODULE_SOURCES CONFIGURE_DEPENDS
     ${CMAKE_SOURCE_DIR}/Feature/Tolvern/*.cpp
     ${CMAKE_SOURCE_DIR}/Platform/PlatformSerialLib/*.cpp
     ${CMAKE_SOURCE_DIR}/MdePkg/Library/*/*.cpp)

# Files that only the image has: the host build links its own port space and
# breakpoint hook in their place.
set(TOLVERN_FIRMWARE_ONLY_SOURCES
    ${CMAKE_SOURCE_DIR}/MdePkg/Library/BaseIoLibIntrinsic/IoInstructions.cpp
    ${CMAKE_SOURCE_DIR}/MdePkg/Library/BaseLib/CpuBreakpoint.cpp)

# tolvern_firmware_image(<name> [REPLACE <module source> <with source>]...)
function(tolvern_firmware_image NAME)
  cmake_parse_arguments(IMG "" "" "REPLACE" ${ARGN})
  set(sources ${TOLVERN_MODULE_SOURCES})
  list(LENGTH IMG_REPLACE n)
  if(n GREATER 0)
    math(EXPR last "${n} - 1")
    foreach(i RANGE 0 ${last} 2)
      math(EXPR j "${i} + 1")
      list(GET IMG_REPLACE ${i} from)
      list(GET IMG_REPLACE ${j} to)
      list(REMOVE_ITEM sources ${from})
      list(APPEND sources ${to})
    endforeach()
  endif()

  set(objdir ${CMAKE_BINARY_DIR}/firmware/${NAME})
  set(objects "")
  foreach(src ${sources})
    file(RELATIVE_PATH rel ${CMAKE_SOURCE_DIR} ${src})
    string(REPLACE "/" "_" objname ${rel})
    set(obj ${objdir}/${objname}.obj)
    add_custom_command(
      OUTPUT ${obj}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${objdir}
      COMMAND ${TOLVERN_FW_CLANG} ${TOLVERN_FW_CFLAGS} -MD -MF ${obj}.d -c ${src} -o ${obj}
      DEPENDS ${src}
      DEPFILE ${obj}.d
      COMMENT "Firmware ${NAME}: ${rel}"
      VERBATIM)
    list(APPEND objects ${obj})
  endforeach()

  set(image ${CMAKE_BINARY_DIR}/firmware/${NAME}.efi)
  set(map ${CMAKE_BINARY_DIR}/firmware/${NAME}.map)
  add_custom_command(
    OUTPUT ${image}
    BYPRODUCTS ${map}
    COMMAND ${TOLVERN_FW_LLD_LINK} ${TOLVERN_FW_LDFLAGS} /lldmap:${map} /out:${image} ${objects}
    DEPENDS ${objects}
    COMMENT "Firmware ${NAME}: linking ${NAME}.efi"
    VERBATIM)
  add_custom_target(${NAME} ALL DEPENDS ${image})
  set_target_properties(${NAME} PROPERTIES TOLVERN_IMAGE ${image} TOLVERN_IMAGE_MAP ${map}
                                           TOLVERN_IMAGE_SOURCES "${sources}")
endfunction()
