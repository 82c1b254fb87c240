// PE32 parsing through LLVM's Object library. LLVM reads the headers and the
// section table; the signatures are checked before it sees the bytes and every
// section's file extent after, so that later reads need no trust in the file.
#include "PeFile.h"

#include "ImageMemory.h"
#include "InputFile.h"
#include "LittleEndian.h"
#include "MessageText.h"

#include <llvm/BinaryFormat/COFF.h>
#include <llvm/Object/COFF.h>
#include <llvm/Support/Error.h>
#include <llvm/Support/MemoryBuffer.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace HostTools {

namespace {

constexpr size_t MZ_HEADER_SIZE = 0x40;
constexpr size_t PE_OFFSET_FIELD = 0x3C;

// What the first two bytes already tell, before the rest of a file is read.
std::optional<std::string> FirstBytesProblem(std::span<const uint8_t> FirstBytes) {
  if (FirstBytes.empty()) {
    return "not a PE image: empty file";
  }
  if (FirstBytes.size() < 2 || FirstBytes[0] != 'M' || FirstBytes[1] != 'Z') {
    return "not a PE image: no MZ header";
  }
  return std::nullopt;
}

// The MZ stub and the PE signature, checked before LLVM sees the bytes: LLVM
// would otherwise try to read a bare COFF object out of any file.
std::optional<std::string> SignatureProblem(const std::vector<uint8_t> &Bytes) {
  if (std::optional<std::string> First = FirstBytesProblem(Bytes)) {
    return First;
  }
  if (Bytes.size() < MZ_HEADER_SIZE) {
    return "not a PE image: truncated MZ header";
  }
  const uint64_t PeOffset = ReadLe32(Bytes, PE_OFFSET_FIELD);
  if (PeOffset + 4 > Bytes.size()) {
    return "not a PE image: e_lfanew points outside the image (" + Hex32(PeOffset) +
           ", the file has " + Hex32(Bytes.size()) + " bytes)";
  }
  if (std::memcmp(&Bytes[PeOffset], "PE\0\0", 4) != 0) {
    return "not a PE image: MZ header without PE signature";
  }
  return std::nullopt;
}

struct MACHINE_NAME {
  uint16_t Machine;
  const char *Name;
};

// Machines a PE image is commonly built for, named in the refusal.
constexpr MACHINE_NAME MACHINE_NAMES[] = {
    {llvm::COFF::IMAGE_FILE_MACHINE_AMD64, "x86-64"},
    {llvm::COFF::IMAGE_FILE_MACHINE_ARM64, "ARM64"},
    {llvm::COFF::IMAGE_FILE_MACHINE_ARMNT, "ARM"},
};

std::string ForeignMachineText(uint16_t Machine) {
  char Number[8];
  std::snprintf(Number, sizeof Number, "0x%04X", Machine);
  std::string Text = "not an IA32 PE32 image (machine " + std::string(Number) + ")";
  for (const MACHINE_NAME &Known : MACHINE_NAMES) {
    if (Known.Machine == Machine) {
      Text += ": built for machine " + std::string(Known.Name) + ", not IA32";
    }
  }
  return Text;
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

PE_SECTION SectionOf(const llvm::object::coff_section &Raw) {
  PE_SECTION Section;
  // Image section names are the 8 inline bytes, NUL-padded.
  Section.Name = PrintableName(Raw.Name, sizeof Raw.Name);
  Section.Rva = Raw.VirtualAddress;
  Section.VirtualSize = Raw.VirtualSize;
  Section.FileOffset = Raw.PointerToRawData;
  Section.RawSize = Raw.SizeOfRawData;
  Section.Characteristics = Raw.Characteristics;
  return Section;
}

// Sections stand in ascending address order, each after the one before in
// memory, and no two share bytes of the file: so every address and every file
// byte belongs to one section at most, and a walk over all sections' bytes
// costs no more than the file's size.
std::optional<std::string> OrderProblem(const PE_SECTION &Previous, const PE_SECTION &Section) {
  const uint64_t PreviousEnd =
      uint64_t{Previous.Rva} + std::max(Previous.VirtualSize, Previous.RawSize);
  if (Section.Rva < PreviousEnd) {
    return "damaged PE image: section " + Section.Name + " at RVA " + Hex32(Section.Rva) +
           " overlaps section " + Previous.Name + " (or stands before it)";
  }
  const uint64_t PreviousFileEnd = uint64_t{Previous.FileOffset} + Previous.RawSize;
  if (Section.RawSize != 0 && Previous.RawSize != 0 && Section.FileOffset < PreviousFileEnd &&
      Previous.FileOffset < uint64_t{Section.FileOffset} + Section.RawSize) {
    return "damaged PE image: sections " + Previous.Name + " and " + Section.Name +
           " share file bytes";
  }
  return std::nullopt;
}

std::optional<std::string> OutsideFileProblem(const PE_SECTION &Section, size_t FileSize) {
  const uint64_t End = uint64_t{Section.FileOffset} + Section.RawSize;
  if (End > FileSize) {
    return "truncated PE image: section " + Section.Name +
           " runs past the end of the file (needs bytes up to " + Hex32(End) + ", the file has " +
           Hex32(FileSize) + ")";
  }
  return std::nullopt;
}

// The header fields and sections of an image LLVM has parsed, all but the bytes.
std::optional<PE_FILE> ReadParsed(const llvm::object::COFFObjectFile &Object, size_t FileSize,
                                  std::string &Problem) {
  if (Object.is64()) {
    Problem = "not an IA32 PE32 image: PE32+ (64-bit) optional header";
    return std::nullopt;
  }
  const llvm::object::pe32_header *Header = Object.getPE32Header();
  if (Header == nullptr || Header->Magic != llvm::COFF::PE32Header::PE32) {
    Problem = "not an IA32 PE32 image: no PE32 optional header";
    return std::nullopt;
  }
  if (Object.getMachine() != llvm::COFF::IMAGE_FILE_MACHINE_I386) {
    Problem = ForeignMachineText(Object.getMachine());
    return std::nullopt;
  }
  if (Header->SizeOfHeaders > FileSize) {
    Problem = "truncated PE image: the headers need " + Hex32(Header->SizeOfHeaders) +
              " bytes, the file has " + Hex32(FileSize);
    return std::nullopt;
  }

  PE_FILE File;
  File.ImageBase = Header->ImageBase;
  File.EntryPointRva = Header->AddressOfEntryPoint;
  File.SectionAlignment = Header->SectionAlignment;
  File.SizeOfImage = Header->SizeOfImage;
  File.SizeOfHeaders = Header->SizeOfHeaders;
  File.RelocationsStripped =
      (Object.getCharacteristics() & llvm::COFF::IMAGE_FILE_RELOCS_STRIPPED) != 0;
  if (const llvm::object::data_directory *Relocations =
          Object.getDataDirectory(llvm::COFF::BASE_RELOCATION_TABLE)) {
    File.BaseRelocationRva = Relocations->RelativeVirtualAddress;
    File.BaseRelocationSize = Relocations->Size;
  }
  for (const llvm::object::SectionRef &Ref : Object.sections()) {
    PE_SECTION Section = SectionOf(*Object.getCOFFSection(Ref));
    std::optional<std::string> Refusal = OutsideFileProblem(Section, FileSize);
    if (!Refusal && !File.Sections.empty()) {
      Refusal = OrderProblem(File.Sections.back(), Section);
    }
    if (Refusal) {
      Problem = *Refusal;
      return std::nullopt;
    }
    File.Sections.push_back(std::move(Section));
  }
  return File;
}

} // namespace

std::optional<PE_FILE> ReadPeFile(std::vector<uint8_t> Bytes, std::string &Problem) {
  if (std::optional<std::string> Signature = SignatureProblem(Bytes)) {
    Problem = *Signature;
    return std::nullopt;
  }
  llvm::MemoryBufferRef Buffer(
      llvm::StringRef(reinterpret_cast<const char *>(Bytes.data()), Bytes.size()), "image");
  auto Parsed = llvm::object::COFFObjectFile::create(Buffer);
  if (!Parsed) {
    Problem = OneLine("not a PE image: truncated or damaged PE headers (" +
                      llvm::toString(Parsed.takeError()) + ")");
    return std::nullopt;
  }
  std::optional<PE_FILE> File = ReadParsed(**Parsed, Bytes.size(), Problem);
  if (File) {
    File->Bytes = std::move(Bytes);
  }
  return File;
}

std::optional<PE_FILE> OpenPeFile(const std::string &Path, std::string &Problem) {
  std::optional<std::vector<uint8_t>> Bytes = ReadInputFile(Path, Problem, FirstBytesProblem);
  return Bytes ? ReadPeFile(std::move(*Bytes), Problem) : std::nullopt;
}

} // namespace HostTools
