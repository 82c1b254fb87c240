// An IA32 PE32 image file as the inspector sees it: its bytes, the few header
// fields it needs and its section table.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

constexpr uint32_t kSectionUninitializedData = 0x00000080;
constexpr uint32_t kSectionDiscardable = 0x02000000;
constexpr uint32_t kSectionWritable = 0x80000000;

struct PE_SECTION {
  std::string Name;
  uint32_t Rva = 0;
  uint32_t VirtualSize = 0;
  uint32_t FileOffset = 0;
  uint32_t RawSize = 0;
  uint32_t Characteristics = 0;
};

struct PE_IMAGE {
  std::vector<uint8_t> Bytes;
  uint32_t ImageBase = 0;
  uint32_t EntryPointRva = 0;
  uint16_t Subsystem = 0;
  uint32_t BaseRelocationRva = 0; // 0 when the image has no relocation table
  uint32_t BaseRelocationSize = 0;
  std::vector<PE_SECTION> Sections;
};

// Reads and parses a file; throws INSPECT_ERROR for anything but a complete
// IA32 PE32 image (missing, empty, truncated, not PE, PE32+, another machine).
PE_IMAGE OpenPeImage(const std::string &Path);

// The same for bytes already in memory.
PE_IMAGE ParsePeImage(std::vector<uint8_t> Bytes);
