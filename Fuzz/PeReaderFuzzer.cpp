// libFuzzer target for the host tools' PE32 reader: any bytes at all go
// through parsing, the section index, the base relocation walk, the
// run-in-place verdict and the flash-map search. Besides the sanitizers, the
// outputs are checked against properties every answer must have, and the
// binary-searched address lookup against a plain walk over the sections.
#include <BaseRelocations.h>
#include <FlashMapSearch.h>
#include <ImageMemory.h>
#include <PeFile.h>
#include <RunInPlace.h>

#include <algorithm>
#include <cstdlib>
#include <string>

using namespace HostTools;

namespace {

void Require(bool Holds) {
  if (!Holds) {
    std::abort();
  }
}

uint64_t FileBacked(const PE_SECTION &Section) {
  return Section.VirtualSize == 0 ? Section.RawSize
                                  : std::min(Section.VirtualSize, Section.RawSize);
}

// The section holding Va, by looking at every one.
const PE_SECTION *SectionByWalk(const PE_FILE &File, uint64_t Va) {
  for (const PE_SECTION &Section : File.Sections) {
    const uint64_t Start = uint64_t{File.ImageBase} + Section.Rva;
    if (Va >= Start && Va < Start + FileBacked(Section)) {
      return &Section;
    }
  }
  return nullptr;
}

void CheckAddressLookups(const PE_FILE &File) {
  for (const PE_SECTION &Section : File.Sections) {
    Require(uint64_t{Section.FileOffset} + Section.RawSize <= File.Bytes.size());
    const uint64_t Start = uint64_t{File.ImageBase} + Section.Rva;
    for (uint64_t Va : {Start - 1, Start, Start + FileBacked(Section) / 2,
                        Start + FileBacked(Section) - 1, Start + FileBacked(Section)}) {
      Require(SectionAtVa(File, Va) == SectionByWalk(File, Va));
      if (const auto Bytes = BytesAtVa(File, Va, 4)) {
        Require(Bytes->data() >= File.Bytes.data() &&
                Bytes->data() + Bytes->size() <= File.Bytes.data() + File.Bytes.size());
      }
    }
  }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *Data, size_t Size) {
  std::string Problem;
  const std::optional<PE_FILE> File = ReadPeFile(std::vector<uint8_t>(Data, Data + Size), Problem);
  if (!File) {
    Require(!Problem.empty() && Problem.find('\n') == std::string::npos);
    return 0;
  }
  CheckAddressLookups(*File);
  if (const auto Fixups = ReadHighLowFixups(*File, Problem)) {
    Require(std::is_sorted(Fixups->begin(), Fixups->end()));
    for (uint32_t Rva : *Fixups) {
      Require(uint64_t{Rva} + 4 <= File->SizeOfImage);
    }
  }
  (void)CheckRunsInPlace(*File);
  if (const auto Found = FindFlashMap(*File, Problem)) {
    Require(Found->RecordBytes.size() == FLASH_MAP_RECORD_SIZE);
    Require(BytesAtVa(*File, Found->RecordAddress, FLASH_MAP_RECORD_SIZE).has_value());
  } else {
    Require(!Problem.empty() && Problem.find('\n') == std::string::npos);
  }
  return 0;
}
