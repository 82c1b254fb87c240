// The table is a run of blocks: a page RVA, the block's byte size, then 16-bit
// entries of a 4-bit type and a 12-bit offset into the page.
#include "BaseRelocations.h"

#include "ImageMemory.h"
#include "LittleEndian.h"
#include "MessageText.h"

#include <algorithm>

namespace HostTools {

namespace {

constexpr uint32_t BLOCK_HEADER_SIZE = 8;
constexpr unsigned FIXUP_ABSOLUTE = 0; // padding that keeps blocks 32-bit aligned
constexpr unsigned FIXUP_HIGH_LOW = 3;

// The table's bytes, when all of them are in the image and the file.
std::optional<std::span<const uint8_t>> TableBytes(const PE_FILE &File, std::string &Problem) {
  const uint64_t Rva = File.BaseRelocationRva;
  if (Rva + File.BaseRelocationSize > File.SizeOfImage) {
    Problem = "base relocation table at RVA " + Hex32(Rva) + " (" +
              std::to_string(File.BaseRelocationSize) + " bytes) runs past the image's end (" +
              Hex32(File.SizeOfImage) + ")";
    return std::nullopt;
  }
  const auto Table = BytesAtVa(File, uint64_t{File.ImageBase} + Rva, File.BaseRelocationSize);
  if (!Table) {
    Problem = "base relocation table at RVA " + Hex32(Rva) + " (" +
              std::to_string(File.BaseRelocationSize) + " bytes) is not in the file's sections";
  }
  return Table;
}

} // namespace

std::optional<std::vector<uint32_t>> ReadHighLowFixups(const PE_FILE &File, std::string &Problem) {
  std::vector<uint32_t> Fixups;
  if (File.BaseRelocationRva == 0 || File.BaseRelocationSize == 0) {
    return Fixups;
  }
  const auto Table = TableBytes(File, Problem);
  if (!Table) {
    return std::nullopt;
  }
  for (size_t Offset = 0; Offset < Table->size();) {
    const uint64_t BlockRva = uint64_t{File.BaseRelocationRva} + Offset;
    if (Table->size() - Offset < BLOCK_HEADER_SIZE) {
      Problem = "base relocation table ends inside a block header at RVA " + Hex32(BlockRva);
      return std::nullopt;
    }
    const uint32_t PageRva = ReadLe32(*Table, Offset);
    const uint32_t BlockSize = ReadLe32(*Table, Offset + 4);
    if (BlockSize < BLOCK_HEADER_SIZE || BlockSize % 2 != 0 || BlockSize > Table->size() - Offset) {
      Problem = "base relocation block at RVA " + Hex32(BlockRva) + " has a bad size (" +
                std::to_string(BlockSize) + " bytes)";
      return std::nullopt;
    }
    for (size_t Entry = Offset + BLOCK_HEADER_SIZE; Entry < Offset + BlockSize; Entry += 2) {
      const unsigned Value = (*Table)[Entry] | (*Table)[Entry + 1] << 8;
      const unsigned Type = Value >> 12;
      const uint64_t Target = uint64_t{PageRva} + (Value & 0xFFF);
      if (Type == FIXUP_ABSOLUTE) {
        continue;
      }
      if (Type != FIXUP_HIGH_LOW) {
        Problem = "base relocation of type " + std::to_string(Type) + " at RVA " + Hex32(Target) +
                  " is not an IA32 fixup";
        return std::nullopt;
      }
      if (Target + 4 > File.SizeOfImage) {
        Problem = "base relocation at RVA " + Hex32(Target) + " lies outside the image";
        return std::nullopt;
      }
      Fixups.push_back(static_cast<uint32_t>(Target));
    }
    Offset += BlockSize;
  }
  std::sort(Fixups.begin(), Fixups.end());
  return Fixups;
}

bool HasFixupAt(const std::vector<uint32_t> &Fixups, uint64_t Rva) {
  return std::binary_search(Fixups.begin(), Fixups.end(), Rva);
}

} // namespace HostTools
