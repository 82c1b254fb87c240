# The emulated board's boot firmware volume as both builds see it: where it
# lies, and the PEIM that stands first in it, the consumer of the flash map.

# Region 13 of the module's flash map. tolvern-flash lays the volume out by the
# map the module publishes, so a volume anywhere else fails the build.
set(BOOT_VOLUME_BASE 0xFFF60000)

set(FLASH_MAP_CONSUMER_FILE_GUID D7B0154F-AED2-4750-931C-061346D28794)
set(FLASH_MAP_CONSUMER_NAME FlashMapConsumer)
set(FLASH_MAP_CONSUMER_DEPEX "PUSH flash-map END")
set(FLASH_MAP_CONSUMER_DEPEX_BYTES 18) # PUSH, the GUID, END

# The consumer runs in place as the volume's first file, so it is linked where
# its PE32 data lands: after the volume header (72 bytes, one block run), the
# file header (24) and, each 4-byte aligned, the dependency section, the
# user-interface section (a NUL-terminated 16-bit name) and the PE32 section's
# 4-byte header. tolvern-flash refuses the volume when the image disagrees.
string(LENGTH "${FLASH_MAP_CONSUMER_NAME}" name_length)
math(EXPR FLASH_MAP_CONSUMER_BASE
     "${BOOT_VOLUME_BASE} + 72 + 24 + (4 + ${FLASH_MAP_CONSUMER_DEPEX_BYTES} + 3) / 4 * 4 \
      + (4 + 2 * (${name_length} + 1) + 3) / 4 * 4 + 4"
     OUTPUT_FORMAT HEXADECIMAL)
