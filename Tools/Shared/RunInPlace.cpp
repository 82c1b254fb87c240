#include "RunInPlace.h"

#include "MessageText.h"

#include <algorithm>

namespace HostTools {

namespace {

constexpr uint64_t ADDRESS_SPACE_TOP = 0x100000000ull;
// An image larger than the platform's whole flash device cannot be one of its files.
constexpr uint32_t LARGEST_IMAGE = 0x01000000;

// Why the image cannot be laid out in SizeOfImage bytes below 4 GiB, if it cannot.
std::optional<std::string> LayoutProblem(const PE_FILE &File) {
  const uint32_t Alignment = File.SectionAlignment;
  if (Alignment == 0 || (Alignment & (Alignment - 1)) != 0) {
    return "section alignment " + Hex32(Alignment) + " is not a power of two";
  }
  if (File.SizeOfImage > LARGEST_IMAGE) {
    return "image size " + Hex32(File.SizeOfImage) + " exceeds the 16 MiB flash device";
  }
  if (uint64_t{File.ImageBase} + File.SizeOfImage > ADDRESS_SPACE_TOP) {
    return "linked at " + Hex32(File.ImageBase) + ", the image runs past 4 GiB";
  }
  if (File.SizeOfHeaders > File.SizeOfImage) {
    return "headers (" + Hex32(File.SizeOfHeaders) + " bytes) do not fit the image";
  }
  for (const PE_SECTION &Section : File.Sections) {
    if (uint64_t{Section.Rva} + std::max(Section.VirtualSize, Section.RawSize) > File.SizeOfImage) {
      return "section " + Section.Name + " runs past the image's end (" + Hex32(File.SizeOfImage) +
             ")";
    }
  }
  return std::nullopt;
}

} // namespace

std::optional<std::string> CheckRunsInPlace(const PE_FILE &File) {
  if (std::optional<std::string> Layout = LayoutProblem(File)) {
    return Layout;
  }
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
  // In flash the image owns no more than its file: what follows it is another file's.
  if (File.SizeOfImage > File.Bytes.size()) {
    return "SizeOfImage " + Hex32(File.SizeOfImage) + " reaches past its " +
           Hex32(File.Bytes.size()) + " bytes in the file";
  }
  return std::nullopt;
}

} // namespace HostTools
