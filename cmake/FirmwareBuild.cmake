# The firmware build as a sub-build of the host build: configured with the
# IA32 toolchain in <build>/firmware and built on every build of the host
# tree (a no-op when nothing changed). The host build sees its outputs
# through stand-in targets of the same names, whose properties give the paths.
include(ExternalProject)

set(TOLVERN_FIRMWARE_DIR ${CMAKE_BINARY_DIR}/firmware)
set(TOLVERN_FIRMWARE_IMAGES TolvernImage TolvernImageFailingConstructor FlashMapConsumer)
set(TOLVERN_BOOT_PLATFORM_BIN ${TOLVERN_FIRMWARE_DIR}/BootPlatform.bin)
# gdb's script for the emulated board, with every image's symbol file.
set(TOLVERN_GDB_SCRIPT ${TOLVERN_FIRMWARE_DIR}/Tolvern.gdb)

set(outputs ${TOLVERN_BOOT_PLATFORM_BIN} ${TOLVERN_GDB_SCRIPT})
foreach(image ${TOLVERN_FIRMWARE_IMAGES})
  foreach(suffix .efi .map .debug.efi .debug.elf)
    list(APPEND outputs ${TOLVERN_FIRMWARE_DIR}/${image}${suffix})
  endforeach()
endforeach()

ExternalProject_Add(Firmware
  SOURCE_DIR ${CMAKE_SOURCE_DIR}
  BINARY_DIR ${TOLVERN_FIRMWARE_DIR}
  CMAKE_ARGS -DCMAKE_TOOLCHAIN_FILE=${CMAKE_SOURCE_DIR}/cmake/Ia32Firmware.toolchain.cmake
  INSTALL_COMMAND ""
  BUILD_ALWAYS ON
  BUILD_BYPRODUCTS ${outputs})

# TOLVERN_IMAGE_DEBUG is the copy linked with DWARF, TOLVERN_IMAGE_SYMBOLS
# the symbol file gdb loads, made from it.
foreach(image ${TOLVERN_FIRMWARE_IMAGES})
  add_custom_target(${image} DEPENDS Firmware)
  set(path ${TOLVERN_FIRMWARE_DIR}/${image})
  set_target_properties(${image} PROPERTIES TOLVERN_IMAGE ${path}.efi TOLVERN_IMAGE_MAP ${path}.map
                                            TOLVERN_IMAGE_DEBUG ${path}.debug.efi
                                            TOLVERN_IMAGE_SYMBOLS ${path}.debug.elf)
endforeach()

include(cmake/SizeReport.cmake)
include(cmake/NoWritableData.cmake)
include(cmake/ReproducibleImage.cmake)
# cmake --build build/main --target size-report
tolvern_size_report(size-report TolvernImage)
tolvern_no_writable_data_test(ImageHasNoWritableData TolvernImage)
tolvern_no_writable_data_test(FailingImageHasNoWritableData TolvernImageFailingConstructor)
tolvern_reproducible_image_test(ImageIsReproducible)

# The PEIM files, each image wrapped by tolvern-ffs and written beside it:
# tolvern_peim_file(<file> <image target> <guid> <name> <dependency>) makes
# <file>.ffs, built by the target <file>File, whose TOLVERN_FFS gives its path.
function(tolvern_peim_file FILE IMAGE GUID NAME DEPENDENCY)
  get_target_property(image ${IMAGE} TOLVERN_IMAGE)
  set(ffs ${TOLVERN_FIRMWARE_DIR}/${FILE}.ffs)
  add_custom_command(
    OUTPUT ${ffs}
    COMMAND tolvern-ffs --pe32 ${image} --guid ${GUID} --name ${NAME} --depex ${DEPENDENCY}
            --output ${ffs}
    DEPENDS tolvern-ffs Firmware ${image}
    COMMENT "PEIM file: ${FILE}.ffs"
    VERBATIM)
  add_custom_target(${FILE}File ALL DEPENDS ${ffs})
  set_target_properties(${FILE}File PROPERTIES TOLVERN_FFS ${ffs})
endfunction()

tolvern_peim_file(Tolvern TolvernImage ${TOLVERN_FILE_GUID} ${TOLVERN_FILE_NAME}
                  "${TOLVERN_FILE_DEPEX}")
tolvern_peim_file(TolvernFailingConstructor TolvernImageFailingConstructor ${TOLVERN_FILE_GUID}
                  ${TOLVERN_FILE_NAME} "${TOLVERN_FILE_DEPEX}")
tolvern_peim_file(FlashMapConsumer FlashMapConsumer ${FLASH_MAP_CONSUMER_FILE_GUID}
                  ${FLASH_MAP_CONSUMER_NAME} "${FLASH_MAP_CONSUMER_DEPEX}")
