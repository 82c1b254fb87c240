// The record is seventy 32-bit words with no gaps; they are decoded in order.
#include "FlashMapRecord.h"

#include "LittleEndian.h"

#include <cstring>

namespace HostTools {

std::optional<FLASH_MAP_RECORD> DecodeFlashMapRecord(std::span<const uint8_t> Bytes) {
  if (Bytes.size() != FLASH_MAP_RECORD_SIZE) {
    return std::nullopt;
  }
  uint32_t Words[FLASH_MAP_RECORD_SIZE / 4];
  for (size_t Index = 0; Index < std::size(Words); ++Index) {
    Words[Index] = ReadLe32(Bytes, 4 * Index);
  }
  FLASH_MAP_RECORD Record;
  static_assert(sizeof Words == sizeof Record, "the record is nothing but its words");
  std::memcpy(&Record, Words, sizeof Record);
  return Record;
}

} // namespace HostTools
