// What a consumer of the flash-map PPI finds in emulated memory: the
// descriptor handed to InstallPpi, the GUID and PPI body it points at, and the
// record the PPI points at.
#pragma once

#include "ImageEmulator.h"

#include <Ppi/FlashMap.h>

#include <array>
#include <optional>
#include <string>

struct PUBLISHED_FLASH_MAP {
  uint32_t DescriptorAddress = 0;
  uint32_t Flags = 0;
  uint32_t GuidAddress = 0;
  uint32_t PpiAddress = 0;
  std::array<uint8_t, sizeof(EFI_GUID)> GuidBytes{};
  uint32_t RecordAddress = 0; // the PPI body's one pointer
  std::array<uint8_t, sizeof(FLASH_MAP_RECORD)> RecordBytes{};
  FLASH_MAP_RECORD Record{}; // RecordBytes decoded
};

// Follows the pointers from DescriptorAddress. Returns nothing, with Error set,
// when one of them leads to unmapped memory.
std::optional<PUBLISHED_FLASH_MAP> ReadPublishedFlashMap(const IMAGE_EMULATOR &Emulator,
                                                         uint32_t DescriptorAddress,
                                                         std::string &Error);

// "E286BDA9-E33A-47B3-AA89-3F17CEDE5538"
std::string FormatGuid(const std::array<uint8_t, sizeof(EFI_GUID)> &Bytes);
