#include "PeLayout.h"

namespace PeLayout {

uint16_t Get16(const FILE_BYTES &File, size_t Offset) {
  return static_cast<uint16_t>(File.at(Offset) | File.at(Offset + 1) << 8);
}

uint32_t Get32(const FILE_BYTES &File, size_t Offset) {
  return uint32_t{Get16(File, Offset)} | uint32_t{Get16(File, Offset + 2)} << 16;
}

void Put16(FILE_BYTES &File, size_t Offset, uint16_t Value) {
  File.at(Offset) = static_cast<uint8_t>(Value);
  File.at(Offset + 1) = static_cast<uint8_t>(Value >> 8);
}

void Put32(FILE_BYTES &File, size_t Offset, uint32_t Value) {
  Put16(File, Offset, static_cast<uint16_t>(Value));
  Put16(File, Offset + 2, static_cast<uint16_t>(Value >> 16));
}

size_t PeHeader(const FILE_BYTES &File) {
  return Get32(File, LFANEW);
}

size_t OptionalHeader(const FILE_BYTES &File) {
  return PeHeader(File) + OPTIONAL_HEADER;
}

size_t FirstSection(const FILE_BYTES &File) {
  return OptionalHeader(File) + Get16(File, PeHeader(File) + COFF_OPTIONAL_SIZE);
}

uint32_t RelocationTable(const FILE_BYTES &File) {
  return Get32(File, OptionalHeader(File) + DATA_DIRECTORIES + 8 * BASE_RELOCATION_DIRECTORY);
}

std::optional<size_t> FixupEntryAt(const FILE_BYTES &File, uint32_t Rva) {
  const size_t Table = RelocationTable(File);
  const size_t TableSize =
      Get32(File, OptionalHeader(File) + DATA_DIRECTORIES + 8 * BASE_RELOCATION_DIRECTORY + 4);
  for (size_t Block = Table; Block + 8 <= Table + TableSize;) {
    const uint32_t Page = Get32(File, Block);
    const uint32_t Size = Get32(File, Block + 4);
    if (Size < 8) {
      break;
    }
    for (size_t Entry = Block + 8; Entry + 2 <= Block + Size; Entry += 2) {
      const uint16_t Value = Get16(File, Entry);
      if (Value >> 12 == 3 && Page + (Value & 0xFFFu) == Rva) {
        return Entry;
      }
    }
    Block += Size;
  }
  return std::nullopt;
}

} // namespace PeLayout
