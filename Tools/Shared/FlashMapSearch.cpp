// A candidate whose Guid pointer leads to the flash-map GUID is taken to be
// the descriptor; whatever fails after that is a fault of the image and is
// reported, rather than searched past.
#include "FlashMapSearch.h"

#include "BaseRelocations.h"
#include "Guid.h"
#include "ImageMemory.h"
#include "LittleEndian.h"
#include "MessageText.h"

#include <algorithm>
#include <optional>
#include <string>

namespace HostTools {

namespace {

constexpr uint32_t DESCRIPTOR_SIZE = 12;

bool IsSearched(const PE_SECTION &Section) {
  return (Section.Characteristics &
          (SECTION_WRITABLE | SECTION_DISCARDABLE | SECTION_UNINITIALIZED_DATA)) == 0;
}

bool PointsAtFlashMapGuid(const PE_FILE &Image, uint32_t GuidVa) {
  static const std::array<uint8_t, 16> Wanted = GuidBytes(FLASH_MAP_GUID);
  const auto Bytes = BytesAtVa(Image, GuidVa, Wanted.size());
  return Bytes && std::equal(Bytes->begin(), Bytes->end(), Wanted.begin());
}

struct CANDIDATE {
  PUBLISHED_FLASH_MAP Found;
  std::string Fault; // empty when the candidate passed everything
};

// Follows a descriptor already known to name the flash-map GUID.
CANDIDATE FollowDescriptor(const PE_FILE &Image, const std::vector<uint32_t> &Fixups,
                           uint32_t DescriptorVa) {
  const MEMORY_READER FileBytes = [&Image](uint32_t Va, std::span<uint8_t> Into) {
    const auto Bytes = BytesAtVa(Image, Va, Into.size());
    if (Bytes) {
      std::copy(Bytes->begin(), Bytes->end(), Into.begin());
    }
    return Bytes.has_value();
  };
  CANDIDATE Candidate;
  std::optional<PUBLISHED_FLASH_MAP> Found =
      FollowFlashMapDescriptor(FileBytes, DescriptorVa, Candidate.Fault);
  if (!Found) {
    Candidate.Found.DescriptorAddress = DescriptorVa;
    return Candidate;
  }
  Candidate.Found = std::move(*Found);
  const struct {
    uint64_t Va;
    const char *What;
  } Pointers[] = {{DescriptorVa + 4ull, "descriptor's Guid field"},
                  {DescriptorVa + 8ull, "descriptor's Ppi field"},
                  {Candidate.Found.PpiAddress, "PPI body's record pointer"}};
  for (const auto &Pointer : Pointers) {
    if (!HasFixupAt(Fixups, Pointer.Va - Image.ImageBase)) {
      Candidate.Fault =
          std::string(Pointer.What) + " at " + Hex32(Pointer.Va) + " carries no base relocation";
      return Candidate;
    }
  }
  return Candidate;
}

// The descriptor candidate at Va, when its Flags and Guid pointer match.
std::optional<CANDIDATE> CandidateAt(const PE_FILE &Image, const std::vector<uint32_t> &Fixups,
                                     uint64_t Va) {
  const auto Words = BytesAtVa(Image, Va, DESCRIPTOR_SIZE);
  if (!Words || ReadLe32(*Words, 0) != FLASH_MAP_DESCRIPTOR_FLAGS ||
      !PointsAtFlashMapGuid(Image, ReadLe32(*Words, 4))) {
    return std::nullopt;
  }
  return FollowDescriptor(Image, Fixups, static_cast<uint32_t>(Va));
}

} // namespace

std::optional<PUBLISHED_FLASH_MAP> FindFlashMap(const PE_FILE &Image, std::string &Problem) {
  const std::optional<std::vector<uint32_t>> Fixups = ReadHighLowFixups(Image, Problem);
  if (!Fixups) {
    return std::nullopt;
  }
  std::vector<CANDIDATE> Candidates;
  for (const PE_SECTION &Section : Image.Sections) {
    if (!IsSearched(Section)) {
      continue;
    }
    const uint64_t Start = uint64_t{Image.ImageBase} + Section.Rva;
    const uint64_t End = Start + BytesAvailableAtVa(Image, Start);
    for (uint64_t Va = (Start + 3) & ~uint64_t{3}; Va + DESCRIPTOR_SIZE <= End; Va += 4) {
      if (auto Candidate = CandidateAt(Image, *Fixups, Va)) {
        Candidates.push_back(std::move(*Candidate));
      }
    }
  }

  std::vector<const CANDIDATE *> Sound;
  for (const CANDIDATE &Candidate : Candidates) {
    if (Candidate.Fault.empty()) {
      Sound.push_back(&Candidate);
    }
  }
  if (Sound.size() == 1) {
    return Sound.front()->Found;
  }
  if (Sound.size() > 1) {
    Problem = std::to_string(Sound.size()) + " flash-map descriptors found, at " +
              Hex32(Sound[0]->Found.DescriptorAddress) + " and " +
              Hex32(Sound[1]->Found.DescriptorAddress) + "; expected one";
  } else if (!Candidates.empty()) {
    Problem = "flash-map descriptor at " + Hex32(Candidates.front().Found.DescriptorAddress) +
              ": " + Candidates.front().Fault;
  } else {
    Problem = "no flash-map descriptor found (no Flags word " + Hex32(FLASH_MAP_DESCRIPTOR_FLAGS) +
              " followed by a pointer to GUID " + GuidText(FLASH_MAP_GUID) + ")";
  }
  return std::nullopt;
}

} // namespace HostTools
