// The flash map the module must publish, written out once for every test from
// the platform's flash layout, apart from the module's FLASH_MAP_RECORD
// declaration and from the tools' code.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace Expected {

// Seventy little-endian words: header (size before base), 14 regions (Base,
// Size, FirstBlock, LastBlock), 4 sub-ranges of region 3 (Base, Size), trailer.
constexpr std::array<uint32_t, 70> RECORD_WORDS = {
    0x00010000, 0x01000000, 0xFF000000, 0x00CF0000, 0xFF310000,                              //
    0xFF310000, 0x00470000, 49,         119,        0xFF780000, 0x00040000, 120,        123, //
    0xFF7C0000, 0x00010000, 124,        124,        0xFF7D0000, 0x000A0000, 125,        134, //
    0xFF870000, 0x00020000, 135,        136,        0xFF890000, 0x00020000, 137,        138, //
    0xFF8B0000, 0x00010000, 139,        139,        0xFF8C0000, 0x00010000, 140,        140, //
    0xFF8E0000, 0x00010000, 142,        142,        0xFF8D0000, 0x00010000, 141,        141, //
    0xFFE00000, 0x00040000, 224,        227,        0xFFE40000, 0x000D0000, 228,        240, //
    0xFFF10000, 0x00050000, 241,        245,        0xFFF60000, 0x000A0000, 246,        255, //
    0xFF7D0000, 0x0004C000, 0xFF81C000, 0x00002000, 0xFF81E000, 0x00002000, 0xFF820000,      //
    0x00050000,                                                                              //
    0x00020000};

constexpr std::size_t HEADER_WORDS = 5;
constexpr std::size_t REGION_COUNT = 14;
constexpr std::size_t SUB_RANGE_COUNT = 4;
constexpr std::size_t REGIONS_WORD = HEADER_WORDS;
constexpr std::size_t SUB_RANGES_WORD = REGIONS_WORD + REGION_COUNT * 4;
constexpr std::size_t TRAILER_WORD = SUB_RANGES_WORD + SUB_RANGE_COUNT * 2;
static_assert(TRAILER_WORD + 1 == RECORD_WORDS.size(), "the parts fill the record exactly");
static_assert(RECORD_WORDS.size() * 4 == 280, "the record is 280 bytes");

constexpr std::array<uint8_t, 16> GUID_BYTES = {0xA9, 0xBD, 0x86, 0xE2, 0x3A, 0xE3, 0xB3, 0x47,
                                                0xAA, 0x89, 0x3F, 0x17, 0xCE, 0xDE, 0x55, 0x38};

constexpr uint32_t DESCRIPTOR_FLAGS = 0x80000010;
// The module's link address: the tests' one copy, written here apart from the
// build's on purpose so that a moved image fails them. Every test takes it
// from here, as a number or as ImageBaseText().
constexpr uint32_t IMAGE_BASE = 0xFFF944A0;
static_assert(IMAGE_BASE - RECORD_WORDS[REGIONS_WORD + 13 * 4] <
                  RECORD_WORDS[REGIONS_WORD + 13 * 4 + 1],
              "the image runs in place inside region 13, the boot volume");

// IMAGE_BASE as the tools and the logs write it: "0x" and eight hex digits.
inline std::string ImageBaseText() {
  char Text[11];
  std::snprintf(Text, sizeof Text, "0x%08X", IMAGE_BASE);
  return Text;
}

inline void AppendU32(std::vector<uint8_t> &Bytes, uint32_t Value) {
  for (int Shift = 0; Shift < 32; Shift += 8) {
    Bytes.push_back(static_cast<uint8_t>(Value >> Shift));
  }
}

// The record's 280 bytes as they must stand in the image.
inline std::vector<uint8_t> RecordBytes() {
  std::vector<uint8_t> Bytes;
  for (uint32_t Word : RECORD_WORDS) {
    AppendU32(Bytes, Word);
  }
  return Bytes;
}

} // namespace Expected
