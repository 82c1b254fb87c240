// Decoding walks the words in published order; the offsets are those of the
// record's layout (regions at 20, sub-ranges at 244, trailer at 276).
#include "FlashMapRecord.h"

#include "ImageMemory.h"

#include <cstdio>

namespace {

constexpr size_t REGIONS_OFFSET = 20;
constexpr size_t REGION_SIZE = 16;
constexpr size_t SUB_RANGES_OFFSET = REGIONS_OFFSET + REGION_COUNT * REGION_SIZE;
constexpr size_t SUB_RANGE_SIZE = 8;
constexpr size_t TRAILER_OFFSET = SUB_RANGES_OFFSET + SUB_RANGE_COUNT * SUB_RANGE_SIZE;

static_assert(SUB_RANGES_OFFSET == 244 && TRAILER_OFFSET == 276 &&
                  TRAILER_OFFSET + 4 == FLASH_MAP_RECORD_SIZE,
              "record layout");

} // namespace

std::optional<DECODED_RECORD> DecodeFlashMapRecord(std::span<const uint8_t> Bytes) {
  if (Bytes.size() != FLASH_MAP_RECORD_SIZE) {
    return std::nullopt;
  }
  DECODED_RECORD Record;
  Record.BlockSize = LoadU32(Bytes, 0);
  Record.FlashSize = LoadU32(Bytes, 4);
  Record.FlashBase = LoadU32(Bytes, 8);
  Record.FirmwareAreaSize = LoadU32(Bytes, 12);
  Record.FirmwareAreaBase = LoadU32(Bytes, 16);
  for (size_t Index = 0; Index < REGION_COUNT; ++Index) {
    const size_t At = REGIONS_OFFSET + Index * REGION_SIZE;
    Record.Regions[Index] = {LoadU32(Bytes, At), LoadU32(Bytes, At + 4), LoadU32(Bytes, At + 8),
                             LoadU32(Bytes, At + 12)};
  }
  for (size_t Index = 0; Index < SUB_RANGE_COUNT; ++Index) {
    const size_t At = SUB_RANGES_OFFSET + Index * SUB_RANGE_SIZE;
    Record.SubRanges[Index] = {LoadU32(Bytes, At), LoadU32(Bytes, At + 4)};
  }
  Record.Trailer = LoadU32(Bytes, TRAILER_OFFSET);
  return Record;
}

std::string GuidText(std::span<const uint8_t, 16> Bytes) {
  char Text[40];
  std::snprintf(Text, sizeof Text, "%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X",
                LoadU32(Bytes, 0), Bytes[4] | Bytes[5] << 8, Bytes[6] | Bytes[7] << 8, Bytes[8],
                Bytes[9], Bytes[10], Bytes[11], Bytes[12], Bytes[13], Bytes[14], Bytes[15]);
  return Text;
}
