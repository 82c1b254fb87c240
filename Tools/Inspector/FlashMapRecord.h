// The published flash map as the inspector decodes it from image bytes: the
// record's seventy little-endian words, read without the module's headers.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

constexpr size_t FLASH_MAP_RECORD_SIZE = 280;
constexpr size_t REGION_COUNT = 14;
constexpr size_t SUB_RANGE_COUNT = 4;

// The flash-map PPI's GUID {E286BDA9-E33A-47B3-AA89-3F17CEDE5538} as stored.
constexpr std::array<uint8_t, 16> FLASH_MAP_GUID_BYTES = {
    0xA9, 0xBD, 0x86, 0xE2, 0x3A, 0xE3, 0xB3, 0x47, 0xAA, 0x89, 0x3F, 0x17, 0xCE, 0xDE, 0x55, 0x38};
constexpr uint32_t FLASH_MAP_DESCRIPTOR_FLAGS = 0x80000010;

struct DECODED_REGION {
  uint32_t Base = 0;
  uint32_t Size = 0;
  uint32_t FirstBlock = 0;
  uint32_t LastBlock = 0;
};

struct DECODED_SUB_RANGE {
  uint32_t Base = 0;
  uint32_t Size = 0;
};

// Field order as published: the header pairs put the size first.
struct DECODED_RECORD {
  uint32_t BlockSize = 0;
  uint32_t FlashSize = 0;
  uint32_t FlashBase = 0;
  uint32_t FirmwareAreaSize = 0;
  uint32_t FirmwareAreaBase = 0;
  std::array<DECODED_REGION, REGION_COUNT> Regions{};
  std::array<DECODED_SUB_RANGE, SUB_RANGE_COUNT> SubRanges{};
  uint32_t Trailer = 0;
};

// Decodes exactly FLASH_MAP_RECORD_SIZE bytes; any other length gives nothing.
std::optional<DECODED_RECORD> DecodeFlashMapRecord(std::span<const uint8_t> Bytes);

// The 16 stored GUID bytes in the 8-4-4-4-12 upper-case form.
std::string GuidText(std::span<const uint8_t, 16> Bytes);
