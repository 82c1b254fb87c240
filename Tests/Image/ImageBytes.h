// Byte-level look-ups in an image file, for finding published objects without
// the inspector: pattern search and file offset <-> address through the
// section headers that objdump reported.
#pragma once

#include "ObjdumpText.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

std::vector<size_t> FindAll(const std::vector<unsigned char> &Haystack,
                            const std::vector<uint8_t> &Needle);

std::vector<uint8_t> U32Bytes(uint32_t Value);

// The virtual address of a file offset inside some section's file bytes.
std::optional<uint64_t> VaOfFileOffset(const OBJDUMP_IMAGE &Image, size_t Offset);

// The file offset of a virtual address inside some section's file bytes.
std::optional<size_t> FileOffsetOfVa(const OBJDUMP_IMAGE &Image, uint64_t Va);

// Where the image's published objects lie, found from the bytes alone.
struct PUBLISHED_OBJECTS {
  uint64_t GuidVa = 0;
  uint64_t RecordVa = 0;
  uint64_t PpiVa = 0; // the PPI body: one pointer to the record
  uint64_t DescriptorVa = 0;
  size_t RecordOffset = 0; // in the file
  size_t GuidOffset = 0;
};

// Finds the GUID and the record as the one place holding their expected bytes,
// the descriptor as the one place holding the Flags word and the GUID's
// address, and the PPI body through the descriptor's third word. Gives
// nothing, with the reason in Why, when any is missing or not unique.
std::optional<PUBLISHED_OBJECTS> FindPublishedObjects(const OBJDUMP_IMAGE &Image,
                                                      const std::vector<unsigned char> &Bytes,
                                                      std::string &Why);
