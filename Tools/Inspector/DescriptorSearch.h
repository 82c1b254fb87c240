// Finds the flash-map PPI descriptor in an image without symbols: a Flags word
// followed by a pointer to the flash-map GUID and a pointer to the PPI body,
// whose one pointer leads to the record.
#pragma once

#include "PeFile.h"

#include <cstdint>
#include <vector>

struct FOUND_FLASH_MAP {
  uint32_t DescriptorVa = 0;
  uint32_t Flags = 0;
  uint32_t GuidVa = 0;
  uint32_t PpiVa = 0;
  uint32_t RecordVa = 0;
  std::vector<uint8_t> RecordBytes; // the record's bytes as the image holds them
};

// Searches the image's loaded, read-only, file-backed sections at 32-bit
// aligned addresses. Exactly one descriptor must pass every test, including
// base relocations on its Guid and Ppi fields and on the PPI body's pointer
// (Fixups: the RVAs ReadHighLowFixups reads). Throws INSPECT_ERROR otherwise,
// naming the closest candidate's fault when there was one.
FOUND_FLASH_MAP FindFlashMap(const PE_FILE &Image, const std::vector<uint32_t> &Fixups);
