// An IA32 PE32 image file as the host tools read it: its bytes, the header
// fields they use and its section table, every section's file bytes checked
// to lie inside the file.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace HostTools {

constexpr uint32_t SECTION_UNINITIALIZED_DATA = 0x00000080;
constexpr uint32_t SECTION_DISCARDABLE = 0x02000000;
constexpr uint32_t SECTION_EXECUTABLE = 0x20000000;
constexpr uint32_t SECTION_WRITABLE = 0x80000000;

struct PE_SECTION {
  std::string Name; // printable: anything else in the file's name is escaped
  uint32_t Rva = 0;
  uint32_t VirtualSize = 0;
  uint32_t FileOffset = 0;
  uint32_t RawSize = 0;
  uint32_t Characteristics = 0;
};

struct PE_FILE {
  std::vector<uint8_t> Bytes;
  uint32_t ImageBase = 0;
  uint32_t EntryPointRva = 0;
  uint32_t SectionAlignment = 0;
  uint32_t SizeOfImage = 0;
  uint32_t SizeOfHeaders = 0;
  bool RelocationsStripped = false; // the linker says the image may not move
  uint32_t BaseRelocationRva = 0;   // 0 when the image has no relocation table
  uint32_t BaseRelocationSize = 0;
  std::vector<PE_SECTION> Sections;
};

// Parses Bytes as an IA32 PE32 image. Anything else (empty, truncated, not PE,
// PE32+, another machine, sections out of address order, overlapping or
// sharing file bytes) gives nothing and one line in Problem saying why.
std::optional<PE_FILE> ReadPeFile(std::vector<uint8_t> Bytes, std::string &Problem);

// Reads the file at Path (see ReadInputFile: a file that does not start with
// "MZ" is refused before the rest is read) and parses it the same way.
std::optional<PE_FILE> OpenPeFile(const std::string &Path, std::string &Problem);

} // namespace HostTools
