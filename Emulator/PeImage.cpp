// Loading a PE32 image with LLVM's object reader, plus the few layout checks
// an execute-in-place image needs on top of what the reader verifies.
#include "PeImage.h"

#include <llvm/BinaryFormat/COFF.h>
#include <llvm/Object/COFF.h>
#include <llvm/Object/ObjectFile.h>
#include <llvm/Support/Error.h>
#include <llvm/Support/MemoryBuffer.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>

namespace {

constexpr UINT64 kAddressSpaceTop = 0x100000000ull;
constexpr UINT32 kRelocationBlockHeaderSize = 8;
// An image larger than the platform's whole flash device cannot be one of its files.
constexpr UINT32 kLargestImage = 0x01000000;

std::string Hex(UINT64 Value) {
  char Text[24];
  std::snprintf(Text, sizeof Text, "0x%llX", static_cast<unsigned long long>(Value));
  return Text;
}

std::string SectionName(const llvm::object::coff_section &Section) {
  return std::string(Section.Name, strnlen(Section.Name, sizeof Section.Name));
}

UINT32 ReadU32(const std::vector<UINT8> &Bytes, UINT32 Offset) {
  return UINT32{Bytes[Offset]} | UINT32{Bytes[Offset + 1]} << 8 | UINT32{Bytes[Offset + 2]} << 16 |
         UINT32{Bytes[Offset + 3]} << 24;
}

UINT16 ReadU16(const std::vector<UINT8> &Bytes, UINT32 Offset) {
  return static_cast<UINT16>(Bytes[Offset] | Bytes[Offset + 1] << 8);
}

// Lays the sections out by RVA. For an image that runs in place this is the
// file itself; a section whose file offset differs from its RVA is refused,
// because flash holds the file and cannot move it.
bool LayOutSections(const llvm::object::COFFObjectFile &Object, const std::vector<UINT8> &File,
                    PE_IMAGE &Image, std::string &Error) {
  const llvm::object::pe32_header &Header = *Object.getPE32Header();
  const UINT32 SizeOfImage = Header.SizeOfImage;
  const UINT32 SizeOfHeaders = Header.SizeOfHeaders;
  if (SizeOfHeaders > SizeOfImage || SizeOfHeaders > File.size()) {
    Error = "headers (" + Hex(SizeOfHeaders) + " bytes) do not fit the image or the file";
    return false;
  }
  Image.Bytes.assign(SizeOfImage, 0);
  std::copy_n(File.begin(), SizeOfHeaders, Image.Bytes.begin());

  bool EntryInCode = false;
  for (const llvm::object::SectionRef &Ref : Object.sections()) {
    const llvm::object::coff_section &Section = *Object.getCOFFSection(Ref);
    const std::string Name = SectionName(Section);
    const UINT64 Rva = Section.VirtualAddress;
    const UINT64 RawSize = Section.SizeOfRawData;
    const UINT64 RawOffset = Section.PointerToRawData;
    const UINT64 Span = std::max<UINT64>(Section.VirtualSize, RawSize);
    if (Rva + Span > SizeOfImage) {
      Error = "section " + Name + " runs past the image's end (" + Hex(SizeOfImage) + ")";
      return false;
    }
    if (RawSize != 0 && RawOffset != Rva) {
      Error = "section " + Name + " lies at file offset " + Hex(RawOffset) + " but RVA " +
              Hex(Rva) + ": the file is not its own memory image, so it cannot run in place";
      return false;
    }
    if (RawOffset + RawSize > File.size()) {
      Error = "section " + Name + " runs past the end of the file (" + Hex(File.size()) +
              " bytes): truncated?";
      return false;
    }
    const UINT64 Copied = std::min<UINT64>(RawSize, Span);
    std::copy_n(File.begin() + static_cast<std::ptrdiff_t>(RawOffset), Copied,
                Image.Bytes.begin() + static_cast<std::ptrdiff_t>(Rva));
    if ((Section.Characteristics & llvm::COFF::IMAGE_SCN_MEM_EXECUTE) != 0 &&
        Image.EntryPoint >= Rva && Image.EntryPoint < Rva + Span) {
      EntryInCode = true;
    }
  }
  if (!EntryInCode) {
    Error = "entry point RVA " + Hex(Image.EntryPoint) + " lies in no code section";
    return false;
  }
  return true;
}

// Walks the base relocation blocks with every bound checked: a damaged block
// size must not send the walk outside the table.
bool CollectRelocations(const llvm::object::COFFObjectFile &Object, PE_IMAGE &Image,
                        std::string &Error) {
  const llvm::object::data_directory *Directory =
      Object.getDataDirectory(llvm::COFF::BASE_RELOCATION_TABLE);
  if (Directory == nullptr || Directory->Size == 0) {
    return true;
  }
  const UINT64 Start = Directory->RelativeVirtualAddress;
  const UINT64 End = Start + Directory->Size;
  if (End > Image.Bytes.size()) {
    Error = "base relocation table runs past the image's end";
    return false;
  }
  for (UINT64 Block = Start; Block < End;) {
    if (End - Block < kRelocationBlockHeaderSize) {
      Error = "base relocation table ends inside a block header at RVA " + Hex(Block);
      return false;
    }
    const UINT32 PageRva = ReadU32(Image.Bytes, static_cast<UINT32>(Block));
    const UINT32 BlockSize = ReadU32(Image.Bytes, static_cast<UINT32>(Block + 4));
    if (BlockSize < kRelocationBlockHeaderSize || BlockSize % 2 != 0 || BlockSize > End - Block) {
      Error = "base relocation block at RVA " + Hex(Block) + " has a bad size " + Hex(BlockSize);
      return false;
    }
    for (UINT64 Entry = Block + kRelocationBlockHeaderSize; Entry < Block + BlockSize; Entry += 2) {
      const UINT16 Value = ReadU16(Image.Bytes, static_cast<UINT32>(Entry));
      const UINT32 Type = Value >> 12;
      const UINT64 Target = UINT64{PageRva} + (Value & 0x0FFFu);
      if (Type == llvm::COFF::IMAGE_REL_BASED_ABSOLUTE) {
        continue; // padding
      }
      if (Type != llvm::COFF::IMAGE_REL_BASED_HIGHLOW) {
        Error = "base relocation of type " + std::to_string(Type) + " at RVA " + Hex(Target) +
                " is not an IA32 fixup";
        return false;
      }
      if (Target + 4 > Image.Bytes.size()) {
        Error = "base relocation at RVA " + Hex(Target) + " lies outside the image";
        return false;
      }
      Image.HighLowRelocations.push_back(static_cast<UINT32>(Target));
    }
    Block += BlockSize;
  }
  return true;
}

} // namespace

std::optional<PE_IMAGE> LoadPeImage(const std::vector<UINT8> &File, std::string &Error) {
  llvm::MemoryBufferRef Buffer(
      llvm::StringRef(reinterpret_cast<const char *>(File.data()), File.size()), "image");
  llvm::Expected<std::unique_ptr<llvm::object::ObjectFile>> Parsed =
      llvm::object::ObjectFile::createObjectFile(Buffer);
  if (!Parsed) {
    Error = "not a PE image: " + llvm::toString(Parsed.takeError());
    return std::nullopt;
  }
  const auto *Object = llvm::dyn_cast<llvm::object::COFFObjectFile>(Parsed->get());
  if (Object == nullptr ||
      (Object->getPE32Header() == nullptr && Object->getPE32PlusHeader() == nullptr)) {
    Error = "not a PE image";
    return std::nullopt;
  }
  if (Object->getMachine() != llvm::COFF::IMAGE_FILE_MACHINE_I386 ||
      Object->getPE32Header() == nullptr) {
    Error = "not an IA32 PE32 image (machine " + Hex(Object->getMachine()) + ")";
    return std::nullopt;
  }

  const llvm::object::pe32_header &Header = *Object->getPE32Header();
  PE_IMAGE Image;
  Image.LinkBase = Header.ImageBase;
  Image.EntryPoint = Header.AddressOfEntryPoint;
  Image.SectionAlignment = Header.SectionAlignment;
  Image.RelocationsStripped =
      (Object->getCharacteristics() & llvm::COFF::IMAGE_FILE_RELOCS_STRIPPED) != 0;
  if (Image.SectionAlignment == 0 || (Image.SectionAlignment & (Image.SectionAlignment - 1)) != 0) {
    Error = "section alignment " + Hex(Image.SectionAlignment) + " is not a power of two";
    return std::nullopt;
  }
  if (Header.SizeOfImage > kLargestImage) {
    Error = "image size " + Hex(Header.SizeOfImage) + " exceeds the 16 MiB flash device";
    return std::nullopt;
  }
  if (UINT64{Image.LinkBase} + Header.SizeOfImage > kAddressSpaceTop) {
    Error = "linked at " + Hex(Image.LinkBase) + ", the image runs past 4 GiB";
    return std::nullopt;
  }
  if (!LayOutSections(*Object, File, Image, Error) || !CollectRelocations(*Object, Image, Error)) {
    return std::nullopt;
  }
  return Image;
}

std::optional<PE_IMAGE> LoadPeImageFile(const std::string &Path, std::string &Error) {
  std::ifstream Stream(Path, std::ios::binary);
  if (!Stream) {
    Error = Path + ": cannot open the file";
    return std::nullopt;
  }
  const std::vector<UINT8> File((std::istreambuf_iterator<char>(Stream)),
                                std::istreambuf_iterator<char>());
  std::optional<PE_IMAGE> Image = LoadPeImage(File, Error);
  if (!Image) {
    Error = Path + ": " + Error;
  }
  return Image;
}

std::optional<std::string> CheckLoadBase(const PE_IMAGE &Image, UINT64 Base) {
  if (Base % Image.SectionAlignment != 0) {
    return "load base " + Hex(Base) + " is not a multiple of the section alignment " +
           Hex(Image.SectionAlignment);
  }
  if (Base + Image.Bytes.size() > kAddressSpaceTop) {
    return "an image of " + Hex(Image.Bytes.size()) + " bytes at " + Hex(Base) + " runs past 4 GiB";
  }
  if (Base != Image.LinkBase && Image.RelocationsStripped) {
    return "the image's relocations were stripped: it runs only at " + Hex(Image.LinkBase);
  }
  return std::nullopt;
}

std::vector<UINT8> RelocatedBytes(const PE_IMAGE &Image, UINT32 Base) {
  std::vector<UINT8> Bytes = Image.Bytes;
  const UINT32 Delta = Base - Image.LinkBase;
  for (UINT32 Rva : Image.HighLowRelocations) {
    const UINT32 Moved = ReadU32(Bytes, Rva) + Delta;
    for (int Byte = 0; Byte < 4; ++Byte) {
      Bytes[Rva + Byte] = static_cast<UINT8>(Moved >> (8 * Byte));
    }
  }
  return Bytes;
}
