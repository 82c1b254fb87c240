// The table is a run of blocks: a page RVA, the block's byte size, then 16-bit
// entries of a 4-bit type and a 12-bit offset into the page.
#include "BaseRelocations.h"

#include "ImageMemory.h"
#include "InspectError.h"

#include <algorithm>

namespace {

constexpr uint32_t kBlockHeaderSize = 8;
constexpr unsigned kFixupAbsolute = 0; // padding that keeps blocks 32-bit aligned
constexpr unsigned kFixupHighLow = 3;

} // namespace

std::vector<uint64_t> ReadHighLowFixups(const PE_IMAGE &Image) {
  std::vector<uint64_t> Fixups;
  if (Image.BaseRelocationRva == 0 || Image.BaseRelocationSize == 0) {
    return Fixups;
  }
  const uint64_t TableVa = uint64_t{Image.ImageBase} + Image.BaseRelocationRva;
  const auto Table = BytesAtVa(Image, TableVa, Image.BaseRelocationSize);
  if (!Table) {
    throw INSPECT_ERROR("base relocation table at " + Hex32(TableVa) + " (" +
                        std::to_string(Image.BaseRelocationSize) +
                        " bytes) is not in the file's sections");
  }

  size_t Offset = 0;
  while (Offset < Table->size()) {
    if (Table->size() - Offset < kBlockHeaderSize) {
      throw INSPECT_ERROR("base relocation table ends inside a block header");
    }
    const uint32_t PageRva = LoadU32(*Table, Offset);
    const uint32_t BlockSize = LoadU32(*Table, Offset + 4);
    if (BlockSize < kBlockHeaderSize || BlockSize % 2 != 0 || BlockSize > Table->size() - Offset) {
      throw INSPECT_ERROR("base relocation block at table offset " + std::to_string(Offset) +
                          " has a bad size " + std::to_string(BlockSize));
    }
    for (size_t Entry = Offset + kBlockHeaderSize; Entry < Offset + BlockSize; Entry += 2) {
      const unsigned Value = (*Table)[Entry] | (*Table)[Entry + 1] << 8;
      const unsigned Type = Value >> 12;
      const uint64_t Va = uint64_t{Image.ImageBase} + PageRva + (Value & 0xFFF);
      if (Type == kFixupHighLow) {
        Fixups.push_back(Va);
      } else if (Type != kFixupAbsolute) {
        throw INSPECT_ERROR("base relocation of type " + std::to_string(Type) + " at " + Hex32(Va) +
                            " has no meaning in an IA32 image");
      }
    }
    Offset += BlockSize;
  }
  std::sort(Fixups.begin(), Fixups.end());
  return Fixups;
}

bool HasFixupAt(const std::vector<uint64_t> &Fixups, uint64_t Va) {
  return std::binary_search(Fixups.begin(), Fixups.end(), Va);
}
