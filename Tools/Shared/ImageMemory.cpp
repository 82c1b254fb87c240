// Address arithmetic is done in 64 bits so that no section or pointer value
// from the file can wrap around.
#include "ImageMemory.h"

#include "LittleEndian.h"

#include <algorithm>

namespace HostTools {

namespace {

// The part of a section that both the loader maps and the file holds.
uint64_t FileBackedSize(const PE_SECTION &Section) {
  if (Section.VirtualSize == 0) {
    return Section.RawSize;
  }
  return std::min(Section.VirtualSize, Section.RawSize);
}

} // namespace

const PE_SECTION *SectionAtVa(const PE_FILE &Image, uint64_t Va) {
  // Sections stand in ascending, non-overlapping address order (PeFile
  // refuses anything else): the last one starting at or below Va is the one.
  const auto After = std::upper_bound(Image.Sections.begin(), Image.Sections.end(), Va,
                                      [&Image](uint64_t At, const PE_SECTION &S) {
                                        return At < uint64_t{Image.ImageBase} + S.Rva;
                                      });
  if (After == Image.Sections.begin()) {
    return nullptr;
  }
  const PE_SECTION &Section = *(After - 1);
  const uint64_t Start = uint64_t{Image.ImageBase} + Section.Rva;
  return Va < Start + FileBackedSize(Section) ? &Section : nullptr;
}

uint64_t BytesAvailableAtVa(const PE_FILE &Image, uint64_t Va) {
  const PE_SECTION *Section = SectionAtVa(Image, Va);
  if (Section == nullptr) {
    return 0;
  }
  return uint64_t{Image.ImageBase} + Section->Rva + FileBackedSize(*Section) - Va;
}

std::optional<std::span<const uint8_t>> BytesAtVa(const PE_FILE &Image, uint64_t Va,
                                                  uint64_t Count) {
  const PE_SECTION *Section = SectionAtVa(Image, Va);
  if (Section == nullptr || BytesAvailableAtVa(Image, Va) < Count) {
    return std::nullopt;
  }
  const uint64_t Offset = Section->FileOffset + (Va - Image.ImageBase - Section->Rva);
  return std::span<const uint8_t>(Image.Bytes).subspan(Offset, Count);
}

std::optional<uint32_t> U32AtVa(const PE_FILE &Image, uint64_t Va) {
  const auto Bytes = BytesAtVa(Image, Va, 4);
  if (!Bytes) {
    return std::nullopt;
  }
  return ReadLe32(*Bytes, 0);
}

} // namespace HostTools
