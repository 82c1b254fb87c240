// A firmware image file as it lies in flash: the PE32 file is its own memory
// image, so loading it means checking its layout and, away from its link base,
// applying its base relocations.
#pragma once

#include <cstdint>

#include <optional>
#include <string>
#include <vector>

namespace TolvernEmu {

struct LOADABLE_IMAGE {
  uint32_t LinkBase = 0;                    // ImageBase from the optional header
  uint32_t EntryPoint = 0;                  // AddressOfEntryPoint (an RVA)
  uint32_t SectionAlignment = 0;            // a move must be by a multiple of this
  std::vector<uint8_t> Bytes;               // SizeOfImage bytes, laid out by RVA
  std::vector<uint32_t> HighLowRelocations; // RVAs of the 32-bit address fixups
  bool RelocationsStripped = false;         // the linker says it may not move
};

// Checks that File is an IA32 PE32 image that can run in place (see
// RunInPlace.h) and fits below 4 GiB, and collects its base relocations. On
// failure returns nothing and sets Error to one line saying why.
std::optional<LOADABLE_IMAGE> LoadImage(const std::vector<uint8_t> &File, std::string &Error);

// Reads Path and loads it as above; Error names the file.
std::optional<LOADABLE_IMAGE> LoadImageFile(const std::string &Path, std::string &Error);

// Why Base cannot take the image, or nothing when it can: the link base
// always can, unless the image runs past 4 GiB; another base must lie a
// multiple of the section alignment away from it, and the image must keep its
// base relocations.
std::optional<std::string> CheckLoadBase(const LOADABLE_IMAGE &Image, uint64_t Base);

// The image's bytes as they are at Base: every HIGHLOW fixup moved by
// Base - LinkBase (modulo 2^32). Base must have passed CheckLoadBase.
std::vector<uint8_t> RelocatedBytes(const LOADABLE_IMAGE &Image, uint32_t Base);

} // namespace TolvernEmu
