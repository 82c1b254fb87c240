// The firmware images an address in a log can lie in: each with the ranges it
// is linked at, the bytes it places there and the symbol file that describes
// them. A PE image's range is ImageBase up to SizeOfImage; an ELF image's are
// its loaded sections (the boot platform's lie far apart: one at the top of
// 4 GiB, its 16-bit reset code at its real-mode address).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace TolvernLog {

struct PLACED_BYTES {
  uint64_t Address = 0;
  std::vector<uint8_t> Bytes;
};

struct ADDRESS_RANGE {
  uint64_t Start = 0; // [Start, End)
  uint64_t End = 0;
};

struct LINKED_IMAGE {
  std::string Name;       // the image file's name, as annotations show it
  std::string SymbolFile; // a DWARF file whose addresses are the image's
  std::vector<ADDRESS_RANGE> Ranges;
  std::vector<PLACED_BYTES> Sections;
};

// The image file at ImagePath (an IA32 PE32 image or an ELF image) with the
// symbol file at SymbolPath. Nothing, with Problem saying why, when the image
// cannot be read.
std::optional<LINKED_IMAGE> ReadLinkedImage(const std::string &ImagePath,
                                            const std::string &SymbolPath, std::string &Problem);

// The images a build made, from its firmware/ directory: each <name>.efi with
// its <name>.debug.elf, and each ELF image <name>.elf, its own symbol file.
// Nothing, with Problem saying why, when there is none or one cannot be read.
std::optional<std::vector<LINKED_IMAGE>> ReadBuildImages(const std::string &BuildDir,
                                                         std::string &Problem);

bool IsLinkedAt(const LINKED_IMAGE &Image, uint64_t Address);

// The byte Image places at Address, if it places one.
std::optional<uint8_t> ByteAt(const LINKED_IMAGE &Image, uint64_t Address);

} // namespace TolvernLog
