#include "ImageBytes.h"

#include "ExpectedFlashMap.h"

#include <algorithm>

std::vector<size_t> FindAll(const std::vector<unsigned char> &Haystack,
                            const std::vector<uint8_t> &Needle) {
  std::vector<size_t> Offsets;
  auto At = Haystack.begin();
  while ((At = std::search(At, Haystack.end(), Needle.begin(), Needle.end())) != Haystack.end()) {
    Offsets.push_back(static_cast<size_t>(At - Haystack.begin()));
    ++At;
  }
  return Offsets;
}

std::vector<uint8_t> U32Bytes(uint32_t Value) {
  std::vector<uint8_t> Bytes;
  Expected::AppendU32(Bytes, Value);
  return Bytes;
}

std::optional<uint64_t> VaOfFileOffset(const OBJDUMP_IMAGE &Image, size_t Offset) {
  for (const OBJDUMP_SECTION &Section : Image.Sections) {
    if (Offset >= Section.FileOffset && Offset < Section.FileOffset + Section.Size) {
      return Section.Vma + (Offset - Section.FileOffset);
    }
  }
  return std::nullopt;
}

std::optional<size_t> FileOffsetOfVa(const OBJDUMP_IMAGE &Image, uint64_t Va) {
  for (const OBJDUMP_SECTION &Section : Image.Sections) {
    if (Va >= Section.Vma && Va < Section.Vma + Section.Size) {
      return Section.FileOffset + (Va - Section.Vma);
    }
  }
  return std::nullopt;
}

namespace {

// The address of the one place holding Needle, or a reason in Why.
std::optional<std::pair<uint64_t, size_t>> FindUnique(const OBJDUMP_IMAGE &Image,
                                                      const std::vector<unsigned char> &Bytes,
                                                      const std::vector<uint8_t> &Needle,
                                                      const std::string &What, std::string &Why) {
  const std::vector<size_t> Offsets = FindAll(Bytes, Needle);
  if (Offsets.size() != 1) {
    Why = What + " found " + std::to_string(Offsets.size()) + " times, expected once";
    return std::nullopt;
  }
  const std::optional<uint64_t> Va = VaOfFileOffset(Image, Offsets[0]);
  if (!Va) {
    Why = What + " lies in no section";
    return std::nullopt;
  }
  return std::make_pair(*Va, Offsets[0]);
}

} // namespace

std::optional<PUBLISHED_OBJECTS> FindPublishedObjects(const OBJDUMP_IMAGE &Image,
                                                      const std::vector<unsigned char> &Bytes,
                                                      std::string &Why) {
  PUBLISHED_OBJECTS Objects;
  const auto Guid = FindUnique(
      Image, Bytes, std::vector<uint8_t>(Expected::GUID_BYTES.begin(), Expected::GUID_BYTES.end()),
      "the GUID", Why);
  const auto Record = FindUnique(Image, Bytes, Expected::RecordBytes(), "the record", Why);
  if (!Guid || !Record) {
    return std::nullopt;
  }
  std::tie(Objects.GuidVa, Objects.GuidOffset) = *Guid;
  std::tie(Objects.RecordVa, Objects.RecordOffset) = *Record;

  // The descriptor: the Flags word, then the GUID's address; its third word
  // must lead to a pointer to the record.
  std::vector<uint8_t> Descriptor = U32Bytes(Expected::DESCRIPTOR_FLAGS);
  const std::vector<uint8_t> GuidPointer = U32Bytes(static_cast<uint32_t>(Objects.GuidVa));
  Descriptor.insert(Descriptor.end(), GuidPointer.begin(), GuidPointer.end());
  const auto Found = FindUnique(Image, Bytes, Descriptor, "the descriptor", Why);
  if (!Found) {
    return std::nullopt;
  }
  const auto U32At = [&Bytes](size_t Offset) -> std::optional<uint32_t> {
    if (Offset + 4 > Bytes.size()) {
      return std::nullopt;
    }
    return Bytes[Offset] | Bytes[Offset + 1] << 8 | Bytes[Offset + 2] << 16 |
           uint32_t{Bytes[Offset + 3]} << 24;
  };
  const std::optional<uint32_t> Ppi = U32At(Found->second + 8);
  const std::optional<size_t> PpiOffset = Ppi ? FileOffsetOfVa(Image, *Ppi) : std::nullopt;
  if (!PpiOffset || U32At(*PpiOffset) != Objects.RecordVa) {
    Why = "the descriptor's Ppi field does not lead to a pointer to the record";
    return std::nullopt;
  }
  Objects.PpiVa = *Ppi;
  Objects.DescriptorVa = Found->first;
  return Objects;
}
