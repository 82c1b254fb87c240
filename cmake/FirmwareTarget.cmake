# The one helper that makes firmware targets: ordinary targets of the one
# build, compiled and linked by the host's clang and LLVM's linkers with the
# flags stated here (no host option reaches them).
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
#
# With TOLVERN_FIRMWARE_SYMBOLS (on by default) every object also carries
# DWARF, which changes no code, and every image gets a symbol file for gdb,
# registered for the generated gdb script (tolvern_gdb_script). The ELF image
# keeps its DWARF and is its own symbol file. A PE image is linked as before,
# without DWARF; from the same objects the helper links a copy that keeps it,
# <name>.debug.efi, whose code and data lie at the addresses the image's have
# (a host test compares the two), and makes of it the symbol file
# <name>.debug.elf.

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
# The symbol copy: lld-link keeps DWARF only with /debug, which also appends
# a debug directory to the last section's data, and the longer section table
# would move the first section. Aligning sections to a page puts the first at
# RVA 0x1000 however many DWARF sections follow; the base the copy is linked
# at (`tolvern-build-facts symbol-base`) then puts it where the image has it.
option(TOLVERN_FIRMWARE_SYMBOLS "Build DWARF symbol files for the firmware images" ON)
set(TOLVERN_SYMBOLS_CXX_OPTIONS -gdwarf-4)
set(TOLVERN_SYMBOLS_SECTION_ALIGNMENT 4096)
set(TOLVERN_PE_SYMBOLS_LINK_OPTIONS /debug:dwarf /align:${TOLVERN_SYMBOLS_SECTION_ALIGNMENT})
if(TOLVERN_FIRMWARE_SYMBOLS)
  # gdb sign-extends the addresses in a 32-bit PE file's DWARF (0xFFF9.... no
  # longer matches the PC), so the symbol file is the copy converted to ELF,
  # by binutils; GdbReadableDwarf.py then mends what gdb would misread.
  find_program(TOLVERN_GNU_OBJCOPY NAMES objcopy REQUIRED)
  find_program(TOLVERN_PYTHON NAMES python3 REQUIRED)
endif()
set(TOLVERN_ELF_TARGET i686-unknown-elf)
set(TOLVERN_ELF_CXX_OPTIONS -fno-pic -mgeneral-regs-only -ffunction-sections)
# clang hands a bare-metal i686 link to the GCC driver; the Linux triple makes
# it call ld.lld itself, and -nostdlib -static keep every Linux default out.
set(TOLVERN_ELF_LINK_TARGET i686-linux-gnu)
set(TOLVERN_ELF_LINK_OPTIONS --build-id=none --gc-sections --fatal-warnings)

# Every image, its map and its symbol files lie here.
set(TOLVERN_FIRMWARE_DIR ${CMAKE_BINARY_DIR}/firmware)

# BASE is an address, or a response file that holds "/base:<address>"
# (BASE_FILE), written at build time by the target BASE_TARGET.
function(tolvern_firmware_target NAME FORMAT KIND)
  cmake_parse_arguments(FW "" "BASE;BASE_FILE;BASE_TARGET;ENTRY" "SOURCES;LIBRARIES;LINK_OPTIONS"
                        ${ARGN})
  if(KIND STREQUAL "LIBRARY")
    add_library(${NAME} STATIC ${FW_SOURCES})
  else()
    add_executable(${NAME} ${FW_SOURCES})
    set_target_properties(${NAME} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${TOLVERN_FIRMWARE_DIR})
  endif()
  target_link_libraries(${NAME} PRIVATE TolvernHeaders ${FW_LIBRARIES})
  set(symbols "")
  if(TOLVERN_FIRMWARE_SYMBOLS)
    set(symbols ${TOLVERN_SYMBOLS_CXX_OPTIONS})
  endif()
  target_compile_options(${NAME} PRIVATE --target=${TOLVERN_${FORMAT}_TARGET}
                                         $<$<COMPILE_LANGUAGE:CXX>:${TOLVERN_FIRMWARE_CXX_OPTIONS}>
                                         $<$<COMPILE_LANGUAGE:CXX>:${TOLVERN_${FORMAT}_CXX_OPTIONS}>
                                         ${symbols})
  if(KIND STREQUAL "LIBRARY")
    return()
  endif()

  if(FORMAT STREQUAL "PE")
    if(FW_BASE_FILE)
      set(base @${FW_BASE_FILE})
      add_dependencies(${NAME} ${FW_BASE_TARGET})
      set_target_properties(${NAME} PROPERTIES LINK_DEPENDS ${FW_BASE_FILE})
      set(FW_BASE ${FW_BASE_FILE})
    else()
      set(base /base:${FW_BASE})
    endif()
    tolvern_pe_link(${NAME} ${TOLVERN_PE_LINK_OPTIONS} ${base} /entry:${FW_ENTRY}
                    /lldmap:${TOLVERN_FIRMWARE_DIR}/${NAME}.map ${FW_LINK_OPTIONS})
    set_target_properties(${NAME} PROPERTIES SUFFIX .efi)
    if(TOLVERN_FIRMWARE_SYMBOLS)
      tolvern_pe_symbol_file(${NAME} ${FW_BASE} /entry:${FW_ENTRY} ${FW_LINK_OPTIONS})
    endif()
  else()
    set(options ${TOLVERN_ELF_LINK_OPTIONS} ${FW_LINK_OPTIONS})
    list(JOIN options "," joined)
    target_link_options(${NAME} PRIVATE --target=${TOLVERN_ELF_LINK_TARGET} -fuse-ld=lld
                                        -nostdlib -static -Wl,${joined})
    set_target_properties(${NAME} PROPERTIES SUFFIX .elf)
  endif()
endfunction()

# Links TARGET with lld-link, through clang, with these options.
function(tolvern_pe_link TARGET)
  list(JOIN ARGN "," joined)
  target_link_options(${TARGET} PRIVATE --target=${TOLVERN_PE_TARGET} -fuse-ld=lld -nostdlib
                                        -Wl,${joined})
endfunction()

# <image>.debug.efi, the image's objects and libraries linked again with their
# DWARF (the remaining arguments are link options), and from it the symbol
# file <image>.debug.elf.
function(tolvern_pe_symbol_file IMAGE BASE)
  set(copy ${IMAGE}Symbols)
  set(base_file ${TOLVERN_FIRMWARE_DIR}/${IMAGE}.debug.base)
  set(symbol_file ${TOLVERN_FIRMWARE_DIR}/${IMAGE}.debug.elf)
  add_custom_command(
    OUTPUT ${base_file}
    COMMAND tolvern-build-facts symbol-base $<TARGET_FILE:${IMAGE}>
            --section-alignment ${TOLVERN_SYMBOLS_SECTION_ALIGNMENT} -o ${base_file}
    DEPENDS ${IMAGE} tolvern-build-facts
    VERBATIM)
  add_custom_target(${copy}Base DEPENDS ${base_file})

  add_executable(${copy} $<TARGET_OBJECTS:${IMAGE}>)
  add_dependencies(${copy} ${copy}Base)
  target_link_libraries(${copy} PRIVATE $<TARGET_PROPERTY:${IMAGE},LINK_LIBRARIES>)
  set(options ${TOLVERN_PE_LINK_OPTIONS})
  list(REMOVE_ITEM options /debug:none /align:32)
  tolvern_pe_link(${copy} ${options} ${TOLVERN_PE_SYMBOLS_LINK_OPTIONS} @${base_file} ${ARGN})
  set_target_properties(${copy} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${TOLVERN_FIRMWARE_DIR}
                                           OUTPUT_NAME ${IMAGE}.debug SUFFIX .efi
                                           LINK_DEPENDS ${base_file})
  add_custom_command(
    TARGET ${copy} POST_BUILD
    COMMAND ${TOLVERN_GNU_OBJCOPY} -O elf32-i386 -R .reloc --strip-all --keep-section=.debug_*
            $<TARGET_FILE:${copy}> ${symbol_file}
    COMMAND ${TOLVERN_PYTHON} ${CMAKE_SOURCE_DIR}/Debugger/GdbReadableDwarf.py ${symbol_file}
    BYPRODUCTS ${symbol_file}
    VERBATIM)
  tolvern_symbol_file(${BASE} $<TARGET_FILE:${IMAGE}> ${symbol_file})
endfunction()

# Registers a symbol file for the gdb script: BYTES is a file as it lies in
# flash from ADDRESS (a number, or a "/base:" response file that holds it),
# SYMBOLS the symbol file for it.
function(tolvern_symbol_file ADDRESS BYTES SYMBOLS)
  set_property(GLOBAL APPEND PROPERTY TOLVERN_SYMBOL_FILES "${ADDRESS}|${BYTES}|${SYMBOLS}")
endfunction()

# tolvern_gdb_script(<file>): the gdb script (Debugger/Tolvern.gdb.in) that
# attaches to the emulated board and loads the registered symbol file of
# whatever lies at each address.
function(tolvern_gdb_script FILE)
  get_property(entries GLOBAL PROPERTY TOLVERN_SYMBOL_FILES)
  set(TOLVERN_SYMBOL_FILES "")
  foreach(entry IN LISTS entries)
    string(REPLACE "|" ";" fields "${entry}")
    list(GET fields 0 address)
    list(GET fields 1 bytes)
    list(GET fields 2 symbols)
    if(NOT address MATCHES "^0x")
      set(address "response_file_base(\"${address}\")")
    endif()
    string(APPEND TOLVERN_SYMBOL_FILES "    (${address}, \"${bytes}\", \"${symbols}\"),\n")
  endforeach()
  set(TOLVERN_DEBUGGER_DIR ${CMAKE_SOURCE_DIR}/Debugger)
  configure_file(${TOLVERN_DEBUGGER_DIR}/Tolvern.gdb.in ${FILE}.in @ONLY)
  file(GENERATE OUTPUT ${FILE} INPUT ${FILE}.in)
endfunction()
