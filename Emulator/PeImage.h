// A firmware image file as it lies in flash: the PE32 file is its own memory
// image, so loading it means checking its layout and, away from its link base,
// applying its base relocations.
#pragma once

#include <Base.h>

#include <optional>
#include <string>
#include <vector>

struct PE_IMAGE {
  UINT32 LinkBase = 0;                    // ImageBase from the optional header
  UINT32 EntryPoint = 0;                  // AddressOfEntryPoint (an RVA)
  UINT32 SectionAlignment = 0;            // a load base must be a multiple of this
  std::vector<UINT8> Bytes;               // SizeOfImage bytes, laid out by RVA
  std::vector<UINT32> HighLowRelocations; // RVAs of the 32-bit address fixups
  BOOLEAN RelocationsStripped = FALSE;    // the linker says it may not move
};

// Checks that File is an IA32 PE32 image that can run in place (see
// RunInPlace.h) and fits below 4 GiB, and collects its base relocations. On
// failure returns nothing and sets Error to one line saying why.
std::optional<PE_IMAGE> LoadPeImage(const std::vector<UINT8> &File, std::string &Error);

// Reads Path and loads it as above; Error names the file.
std::optional<PE_IMAGE> LoadPeImageFile(const std::string &Path, std::string &Error);

// Why Base cannot take the image (misaligned, or running past 4 GiB), or
// nothing when it can.
std::optional<std::string> CheckLoadBase(const PE_IMAGE &Image, UINT64 Base);

// The image's bytes as they are at Base: every HIGHLOW fixup moved by
// Base - LinkBase (modulo 2^32). Base must have passed CheckLoadBase.
std::vector<UINT8> RelocatedBytes(const PE_IMAGE &Image, UINT32 Base);
