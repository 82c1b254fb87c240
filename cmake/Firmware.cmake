# The module's firmware targets and its PEIM files. The consumer PEIM, the
# failing-constructor image and the boot platform are made in their own
# folders with the same helper.
include(${CMAKE_CURRENT_LIST_DIR}/FirmwareTarget.cmake)

# The libraries every PEIM links, in both object formats.
tolvern_firmware_target(TolvernLibraries PE LIBRARY
                        SOURCES ${TOLVERN_LIBRARY_SOURCES} ${TOLVERN_LIBRARY_FIRMWARE_SOURCES})
tolvern_firmware_target(TolvernLibrariesElf ELF LIBRARY
                        SOURCES ${TOLVERN_LIBRARY_SOURCES} ${TOLVERN_LIBRARY_FIRMWARE_SOURCES})
# With the bring-up switches of this tree (cmake/BuildOptions.cmake).
target_compile_definitions(TolvernLibraries PRIVATE ${TOLVERN_BUILD_OPTION_DEFINITIONS})
target_compile_definitions(TolvernLibrariesElf PRIVATE ${TOLVERN_BUILD_OPTION_DEFINITIONS})
tolvern_firmware_target(TolvernImage PE IMAGE BASE ${TOLVERN_IMAGE_BASE} ENTRY PeimEntry
                        SOURCES ${TOLVERN_FEATURE_SOURCES} ${TOLVERN_CONSTRUCTOR_LIST}
                        LIBRARIES TolvernLibraries)

# tolvern_peim_file(<file> <image target> <guid> <name> <dependency>): the
# image wrapped by tolvern-ffs into <firmware dir>/<file>.ffs, made by the
# target <file>File.
function(tolvern_peim_file FILE IMAGE GUID NAME DEPENDENCY)
  set(ffs ${TOLVERN_FIRMWARE_DIR}/${FILE}.ffs)
  add_custom_command(
    OUTPUT ${ffs}
    COMMAND tolvern-ffs --pe32 $<TARGET_FILE:${IMAGE}> --guid ${GUID} --name ${NAME}
            --depex ${DEPENDENCY} --output ${ffs}
    DEPENDS tolvern-ffs ${IMAGE}
    COMMENT "PEIM file: ${FILE}.ffs"
    VERBATIM)
  add_custom_target(${FILE}File ALL DEPENDS ${ffs})
endfunction()

tolvern_peim_file(Tolvern TolvernImage ${TOLVERN_FILE_GUID} ${TOLVERN_FILE_NAME}
                  "${TOLVERN_FILE_DEPEX}")
tolvern_peim_file(TolvernFailingConstructor TolvernImageFailingConstructor ${TOLVERN_FILE_GUID}
                  ${TOLVERN_FILE_NAME} "${TOLVERN_FILE_DEPEX}")
tolvern_peim_file(FlashMapConsumer FlashMapConsumer ${FLASH_MAP_CONSUMER_FILE_GUID}
                  ${FLASH_MAP_CONSUMER_NAME} "${FLASH_MAP_CONSUMER_DEPEX}")

# The boot platform's flat binary (BootPlatform/CMakeLists.txt makes it).
set(TOLVERN_BOOT_PLATFORM_BIN ${TOLVERN_FIRMWARE_DIR}/BootPlatform.bin)
