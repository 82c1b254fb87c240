// What a consumer of the flash-map PPI finds by following a descriptor: the
// Flags word, the GUID and PPI body the descriptor points at, and the record
// the PPI body points at. The same walk serves an image file, emulated memory
// and a flash dump; only how bytes at an address are read differs.
#pragma once

#include "FlashMapRecord.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace HostTools {

struct PUBLISHED_FLASH_MAP {
  uint32_t DescriptorAddress = 0;
  uint32_t Flags = 0;
  uint32_t GuidAddress = 0;
  uint32_t PpiAddress = 0;
  std::array<uint8_t, 16> GuidBytes{};
  uint32_t RecordAddress = 0; // the PPI body's one pointer
  std::vector<uint8_t> RecordBytes;
  FLASH_MAP_RECORD Record{}; // RecordBytes decoded
};

// Fills Into with the bytes at Address; false when any of them cannot be read.
typedef std::function<bool(uint32_t Address, std::span<uint8_t> Into)> MEMORY_READER;

// Follows the pointers from DescriptorAddress. Returns nothing, with Problem
// naming the first pointer that leads to unreadable bytes.
std::optional<PUBLISHED_FLASH_MAP> FollowFlashMapDescriptor(const MEMORY_READER &Read,
                                                            uint32_t DescriptorAddress,
                                                            std::string &Problem);

} // namespace HostTools
