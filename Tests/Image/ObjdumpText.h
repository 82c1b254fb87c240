// What binutils' objdump says about an image, parsed from its text output:
// `objdump -f` (the start address), `objdump -p` (a PE image's private
// headers, data directories and base relocations) and `objdump -h` (section
// headers).
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

struct OBJDUMP_SECTION {
  std::string Name;
  uint64_t Size = 0;
  uint64_t Vma = 0;
  uint64_t FileOffset = 0;
  std::string Flags; // e.g. "CONTENTS, ALLOC, LOAD, READONLY, CODE"
};

struct OBJDUMP_RELOCATION {
  uint64_t Rva = 0;
  std::string Type; // e.g. "HIGHLOW"
};

struct OBJDUMP_IMAGE {
  std::string FileFormat;                                       // e.g. "pei-i386"
  std::optional<uint64_t> StartAddress;                         // the entry point's address
  std::map<std::string, std::string> Fields;                    // "ImageBase" -> "fff944a0", ...
  std::map<int, std::pair<uint64_t, uint64_t>> DataDirectories; // index -> (RVA, size)
  std::vector<OBJDUMP_RELOCATION> Relocations;
  std::vector<OBJDUMP_SECTION> Sections;

  // A header field as a hex number ("Magic", "ImageBase", ...), if present.
  std::optional<uint64_t> HexField(const std::string &Name) const;
  const OBJDUMP_SECTION *Section(const std::string &Name) const;
};

// Runs objdump -f, -p and -h on Path and parses them.
OBJDUMP_IMAGE ReadWithObjdump(const std::string &Path);

// The parsers on their own, for the texts.
void ParseFileHeader(const std::string &Text, OBJDUMP_IMAGE &Image);
void ParsePrivateHeaders(const std::string &Text, OBJDUMP_IMAGE &Image);
void ParseSectionHeaders(const std::string &Text, OBJDUMP_IMAGE &Image);
