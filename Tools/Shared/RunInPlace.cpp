#include "RunInPlace.h"

#include "MessageText.h"

#include <algorithm>

namespace HostTools {

std::optional<std::string> CheckRunsInPlace(const PE_FILE &File) {
  bool EntryInCode = false;
  for (const PE_SECTION &Section : File.Sections) {
    if (Section.VirtualSize > Section.RawSize) {
      return "section " + Section.Name + " has " + Hex32(Section.VirtualSize - Section.RawSize) +
             " bytes that are not in the file (zero-filled data cannot live in flash)";
    }
    if (Section.RawSize != 0 && Section.FileOffset != Section.Rva) {
      return "section " + Section.Name + " lies at file offset " + Hex32(Section.FileOffset) +
             " but RVA " + Hex32(Section.Rva) +
             ": the file is not its own memory image, so it cannot run in place";
    }
    const uint64_t End = uint64_t{Section.Rva} + std::max(Section.VirtualSize, Section.RawSize);
    if ((Section.Characteristics & SECTION_EXECUTABLE) != 0 && File.EntryPointRva >= Section.Rva &&
        File.EntryPointRva < End) {
      EntryInCode = true;
    }
  }
  if (!EntryInCode) {
    return "entry point RVA " + Hex32(File.EntryPointRva) + " lies in no code section";
  }
  return std::nullopt;
}

} // namespace HostTools
