# The emulated board's boot firmware volume: where it lies, and the PEIM that
# stands first in it, the consumer of the flash map.

# Region 13 of the module's flash map. tolvern-flash lays the volume out by the
# map the module publishes, so a volume anywhere else fails the build.
set(BOOT_VOLUME_BASE 0xFFF60000)

# The consumer runs in place as the volume's first file; where its PE32 data
# lands, and so its link address, tolvern-build-facts works out at build time
# (FlashMapConsumer/CMakeLists.txt).
set(FLASH_MAP_CONSUMER_FILE_GUID D7B0154F-AED2-4750-931C-061346D28794)
set(FLASH_MAP_CONSUMER_NAME FlashMapConsumer)
set(FLASH_MAP_CONSUMER_DEPEX "PUSH flash-map END")
