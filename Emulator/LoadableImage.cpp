// Loading a PE32 image file for emulation: the file as Tools/Shared reads and
// checks it, plus what placing it in a 4 GiB address space needs, laid out by
// RVA with its fixups collected.
#include "LoadableImage.h"

#include <BaseRelocations.h>
#include <ImageMemory.h>
#include <LittleEndian.h>
#include <MessageText.h>
#include <PeFile.h>
#include <RunInPlace.h>

#include <algorithm>

namespace TolvernEmu {

using namespace HostTools;

namespace {

constexpr uint64_t ADDRESS_SPACE_TOP = 0x100000000ull;

// The headers and sections at their RVAs; the rest of SizeOfImage is zero.
std::vector<uint8_t> LaidOut(const PE_FILE &File) {
  std::vector<uint8_t> Bytes(File.SizeOfImage, 0);
  std::copy_n(File.Bytes.begin(), File.SizeOfHeaders, Bytes.begin());
  for (const PE_SECTION &Section : File.Sections) {
    std::copy_n(File.Bytes.begin() + Section.FileOffset, Section.RawSize,
                Bytes.begin() + Section.Rva);
  }
  return Bytes;
}

std::optional<LOADABLE_IMAGE> Load(const PE_FILE &File, std::string &Error) {
  if (std::optional<std::string> Problem = CheckRunsInPlace(File)) {
    Error = *Problem;
    return std::nullopt;
  }
  std::optional<std::vector<uint32_t>> Fixups = ReadHighLowFixups(File, Error);
  if (!Fixups) {
    return std::nullopt;
  }
  LOADABLE_IMAGE Image;
  Image.LinkBase = File.ImageBase;
  Image.EntryPoint = File.EntryPointRva;
  Image.SectionAlignment = File.SectionAlignment;
  Image.Bytes = LaidOut(File);
  Image.HighLowRelocations = std::move(*Fixups);
  Image.RelocationsStripped = File.RelocationsStripped;
  return Image;
}

} // namespace

std::optional<LOADABLE_IMAGE> LoadImage(const std::vector<uint8_t> &File, std::string &Error) {
  const std::optional<PE_FILE> Parsed = ReadPeFile(File, Error);
  return Parsed ? Load(*Parsed, Error) : std::nullopt;
}

std::optional<LOADABLE_IMAGE> LoadImageFile(const std::string &Path, std::string &Error) {
  const std::optional<PE_FILE> Parsed = OpenPeFile(Path, Error);
  std::optional<LOADABLE_IMAGE> Image = Parsed ? Load(*Parsed, Error) : std::nullopt;
  if (!Image) {
    Error = PrintableText(Path) + ": " + Error;
  }
  return Image;
}

std::optional<std::string> CheckLoadBase(const LOADABLE_IMAGE &Image, uint64_t Base) {
  // At its link base the image runs as the run-in-place verdict found it,
  // whatever that address's alignment; a move keeps every section's alignment
  // only when it is by a multiple of the section alignment.
  if (Image.SectionAlignment != 0 && (Base - Image.LinkBase) % Image.SectionAlignment != 0) {
    return "load base " + Hex32(Base) + " is " + Hex32((Base - Image.LinkBase) & 0xFFFFFFFF) +
           " from the link base " + Hex32(Image.LinkBase) +
           ", not a multiple of the section alignment " + Hex32(Image.SectionAlignment);
  }
  if (Base + Image.Bytes.size() > ADDRESS_SPACE_TOP) {
    return "an image of " + Hex32(Image.Bytes.size()) + " bytes at " + Hex32(Base) +
           " runs past 4 GiB";
  }
  if (Base != Image.LinkBase && Image.RelocationsStripped) {
    return "the image's relocations were stripped: it runs only at " + Hex32(Image.LinkBase);
  }
  return std::nullopt;
}

std::vector<uint8_t> RelocatedBytes(const LOADABLE_IMAGE &Image, uint32_t Base) {
  std::vector<uint8_t> Bytes = Image.Bytes;
  const uint32_t Delta = Base - Image.LinkBase;
  for (uint32_t Rva : Image.HighLowRelocations) {
    WriteLe32(Bytes, Rva, ReadLe32(Bytes, Rva) + Delta);
  }
  return Bytes;
}

} // namespace TolvernEmu
