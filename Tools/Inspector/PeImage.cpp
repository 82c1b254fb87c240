// PE32 parsing through LLVM's Object library. LLVM reads the headers and the
// section table; every section's file extent is then checked here, so that
// later reads need no trust in the file.
#include "PeImage.h"

#include "InspectError.h"

#include <llvm/BinaryFormat/COFF.h>
#include <llvm/Object/COFF.h>
#include <llvm/Support/Error.h>
#include <llvm/Support/MemoryBuffer.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>

namespace {

constexpr uint16_t kPe32Magic = 0x010B;
constexpr uint32_t kBaseRelocationDirectory = 5;

std::vector<uint8_t> ReadWholeFile(const std::string &Path) {
  std::ifstream File(Path, std::ios::binary);
  if (!File) {
    throw INSPECT_ERROR("cannot open: " + std::string(std::strerror(errno)));
  }
  std::vector<uint8_t> Bytes((std::istreambuf_iterator<char>(File)),
                             std::istreambuf_iterator<char>());
  if (File.bad()) {
    throw INSPECT_ERROR("cannot read: " + std::string(std::strerror(errno)));
  }
  return Bytes;
}

uint32_t LittleU32(const std::vector<uint8_t> &Bytes, size_t Offset) {
  return uint32_t{Bytes[Offset]} | uint32_t{Bytes[Offset + 1]} << 8 |
         uint32_t{Bytes[Offset + 2]} << 16 | uint32_t{Bytes[Offset + 3]} << 24;
}

// The MZ stub and the PE signature, checked before LLVM sees the bytes: LLVM
// would otherwise try to read a bare COFF object out of any file.
void RequirePeSignature(const std::vector<uint8_t> &Bytes) {
  if (Bytes.empty()) {
    throw INSPECT_ERROR("empty file");
  }
  if (Bytes.size() < 2 || Bytes[0] != 'M' || Bytes[1] != 'Z') {
    throw INSPECT_ERROR("not a PE image (no MZ header)");
  }
  if (Bytes.size() < 0x40) {
    throw INSPECT_ERROR("truncated PE image: the MZ header is cut short");
  }
  const uint64_t PeOffset = LittleU32(Bytes, 0x3C);
  if (PeOffset + 4 > Bytes.size()) {
    throw INSPECT_ERROR("truncated PE image: no PE signature at " + Hex32(PeOffset));
  }
  if (std::memcmp(&Bytes[PeOffset], "PE\0\0", 4) != 0) {
    throw INSPECT_ERROR("not a PE image (MZ header without PE signature)");
  }
}

std::string MachineName(uint16_t Machine) {
  switch (Machine) {
  case llvm::COFF::IMAGE_FILE_MACHINE_AMD64:
    return "x86-64";
  case llvm::COFF::IMAGE_FILE_MACHINE_ARM64:
    return "ARM64";
  case llvm::COFF::IMAGE_FILE_MACHINE_ARMNT:
    return "ARM";
  default:
    return Hex32(Machine);
  }
}

// Section names come from the file: shown with anything unprintable escaped.
std::string PrintableName(const char *Raw, size_t Size) {
  std::string Name;
  for (size_t Index = 0; Index < Size && Raw[Index] != '\0'; ++Index) {
    const unsigned char Character = static_cast<unsigned char>(Raw[Index]);
    if (Character >= 0x20 && Character < 0x7F) {
      Name += static_cast<char>(Character);
    } else {
      char Escape[8];
      std::snprintf(Escape, sizeof Escape, "\\x%02X", Character);
      Name += Escape;
    }
  }
  return Name;
}

void RequireInsideFile(const PE_SECTION &Section, size_t FileSize) {
  if (uint64_t{Section.FileOffset} + Section.RawSize > FileSize) {
    throw INSPECT_ERROR("truncated PE image: section " + Section.Name + " needs file bytes up to " +
                        Hex32(uint64_t{Section.FileOffset} + Section.RawSize) + ", file has " +
                        Hex32(FileSize));
  }
}

} // namespace

PE_IMAGE ParsePeImage(std::vector<uint8_t> Bytes) {
  RequirePeSignature(Bytes);

  llvm::MemoryBufferRef Buffer(
      llvm::StringRef(reinterpret_cast<const char *>(Bytes.data()), Bytes.size()), "image");
  auto Parsed = llvm::object::COFFObjectFile::create(Buffer);
  if (!Parsed) {
    throw INSPECT_ERROR("truncated or damaged PE headers: " + llvm::toString(Parsed.takeError()));
  }
  const llvm::object::COFFObjectFile &Object = **Parsed;

  if (Object.is64()) {
    throw INSPECT_ERROR("PE32+ (64-bit) image, not PE32");
  }
  const llvm::object::pe32_header *Header = Object.getPE32Header();
  if (Header == nullptr || Header->Magic != kPe32Magic) {
    throw INSPECT_ERROR("not a PE32 image (no PE32 optional header)");
  }
  if (Object.getMachine() != llvm::COFF::IMAGE_FILE_MACHINE_I386) {
    throw INSPECT_ERROR("PE image for machine " + MachineName(Object.getMachine()) +
                        ", not IA32 (i386)");
  }

  PE_IMAGE Image;
  Image.ImageBase = Header->ImageBase;
  Image.EntryPointRva = Header->AddressOfEntryPoint;
  Image.Subsystem = Header->Subsystem;
  if (Header->SizeOfHeaders > Bytes.size()) {
    throw INSPECT_ERROR("truncated PE image: headers need " + Hex32(Header->SizeOfHeaders) +
                        " bytes, file has " + Hex32(Bytes.size()));
  }
  if (const llvm::object::data_directory *Relocations =
          Object.getDataDirectory(kBaseRelocationDirectory)) {
    Image.BaseRelocationRva = Relocations->RelativeVirtualAddress;
    Image.BaseRelocationSize = Relocations->Size;
  }

  for (const llvm::object::SectionRef &Ref : Object.sections()) {
    const llvm::object::coff_section *Raw = Object.getCOFFSection(Ref);
    PE_SECTION Section;
    // Image section names are the 8 inline bytes, NUL-padded.
    Section.Name = PrintableName(Raw->Name, sizeof Raw->Name);
    Section.Rva = Raw->VirtualAddress;
    Section.VirtualSize = Raw->VirtualSize;
    Section.FileOffset = Raw->PointerToRawData;
    Section.RawSize = Raw->SizeOfRawData;
    Section.Characteristics = Raw->Characteristics;
    RequireInsideFile(Section, Bytes.size());
    Image.Sections.push_back(Section);
  }
  Image.Bytes = std::move(Bytes);
  return Image;
}

PE_IMAGE OpenPeImage(const std::string &Path) {
  return ParsePeImage(ReadWholeFile(Path));
}
