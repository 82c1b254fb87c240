# The one cross-build helper of the firmware build:
#
#   tolvern_firmware_target(<name> PE|ELF LIBRARY|IMAGE SOURCES <file>...
#                           [LIBRARIES <target>...] [BASE <address>] [ENTRY <symbol>]
#                           [LINK_OPTIONS <option>...])
#
# PE is the format of the module and of every PEIM: i686-pc-windows-msvc
# objects with LTO, an IMAGE linked by lld-link into <name>.efi, an EFI boot
# service driver that runs in place at BASE (section alignment equal to file
# alignment, so the file is its own memory image), with a map <name>.map.
# ELF is the boot platform's format: i686 ELF objects, an IMAGE linked by
# ld.lld into <name>.elf that the caller turns into a flat binary.
# Both are freestanding: no runtime, no exceptions, no RTTI, no stack probes.

set(TOLVERN_FIRMWARE_CXX_OPTIONS
    -ffreestanding -fno-builtin -fno-stack-protector -Os -nostdinc++ -fno-exceptions -fno-rtti
    -fno-threadsafe-statics -fno-asynchronous-unwind-tables -Wall -Wextra -Werror)
set(TOLVERN_PE_TARGET i686-pc-windows-msvc)
# Jump tables would cost more in base relocations than the compares they save.
set(TOLVERN_PE_CXX_OPTIONS -mno-stack-arg-probe -mno-sse -mno-mmx -msoft-float -fno-jump-tables
                           -flto)
# /timestamp:0: no link time in the header, so the same sources give the same
# bytes in every build and directory (/Brepro would add a 28-byte debug
# directory for its hash). Identical-code folding has nothing to fold in the
# one LTO object and would hide string literals from the map. A PEIM has no
# writable data (a test reads the map to make sure), and lld-link keeps room
# in the headers for an empty .data unless it is merged away.
set(TOLVERN_PE_LINK_OPTIONS
    /WX /nodefaultlib /driver /subsystem:efi_boot_service_driver /align:32 /filealign:32 /opt:ref
    /opt:noicf /merge:.rdata=.text /merge:.data=.text /debug:none /timestamp:0)
set(TOLVERN_ELF_TARGET i686-unknown-elf)
set(TOLVERN_ELF_CXX_OPTIONS -fno-pic -mgeneral-regs-only -ffunction-sections)
# clang hands a bare-metal i686 link to the GCC driver; the Linux triple makes
# it call ld.lld itself, and -nostdlib -static keep every Linux default out.
set(TOLVERN_ELF_LINK_TARGET i686-linux-gnu)
set(TOLVERN_ELF_LINK_OPTIONS --build-id=none --gc-sections --fatal-warnings)

function(tolvern_firmware_target NAME FORMAT KIND)
  cmake_parse_arguments(FW "" "BASE;ENTRY" "SOURCES;LIBRARIES;LINK_OPTIONS" ${ARGN})
  if(KIND STREQUAL "LIBRARY")
    add_library(${NAME} STATIC ${FW_SOURCES})
  else()
    add_executable(${NAME} ${FW_SOURCES})
    set_target_properties(${NAME} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
  endif()
  target_link_libraries(${NAME} PRIVATE TolvernHeaders ${FW_LIBRARIES})
  target_compile_options(${NAME} PRIVATE --target=${TOLVERN_${FORMAT}_TARGET}
                                         $<$<COMPILE_LANGUAGE:CXX>:${TOLVERN_FIRMWARE_CXX_OPTIONS}>
                                         $<$<COMPILE_LANGUAGE:CXX>:${TOLVERN_${FORMAT}_CXX_OPTIONS}>)
  if(KIND STREQUAL "LIBRARY")
    return()
  endif()

  if(FORMAT STREQUAL "PE")
    set(options ${TOLVERN_PE_LINK_OPTIONS} /base:${FW_BASE} /entry:${FW_ENTRY}
                /lldmap:${CMAKE_BINARY_DIR}/${NAME}.map ${FW_LINK_OPTIONS})
    list(JOIN options "," joined)
    target_link_options(${NAME} PRIVATE --target=${TOLVERN_PE_TARGET} -fuse-ld=lld -nostdlib
                                        -Wl,${joined})
    set_target_properties(${NAME} PROPERTIES SUFFIX .efi)
  else()
    set(options ${TOLVERN_ELF_LINK_OPTIONS} ${FW_LINK_OPTIONS})
    list(JOIN options "," joined)
    target_link_options(${NAME} PRIVATE --target=${TOLVERN_ELF_LINK_TARGET} -fuse-ld=lld
                                        -nostdlib -static -Wl,${joined})
    set_target_properties(${NAME} PROPERTIES SUFFIX .elf)
  endif()
endfunction()
