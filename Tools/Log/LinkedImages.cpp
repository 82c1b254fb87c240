#include "LinkedImages.h"

#include <InputFile.h>
#include <PeFile.h>

#include <llvm/Object/ObjectFile.h>
#include <llvm/Support/Error.h>

#include <algorithm>
#include <filesystem>

namespace TolvernLog {

namespace {

constexpr uint8_t ELF_MAGIC[] = {0x7F, 'E', 'L', 'F'};

bool StartsWithElfMagic(const std::vector<uint8_t> &Bytes) {
  return Bytes.size() >= sizeof ELF_MAGIC && std::equal(ELF_MAGIC, ELF_MAGIC + 4, Bytes.begin());
}

LINKED_IMAGE FromPe(const HostTools::PE_FILE &Pe) {
  LINKED_IMAGE Image;
  Image.Ranges.push_back({Pe.ImageBase, uint64_t{Pe.ImageBase} + Pe.SizeOfImage});
  for (const HostTools::PE_SECTION &Section : Pe.Sections) {
    const auto First = Pe.Bytes.begin() + Section.FileOffset;
    Image.Sections.push_back({uint64_t{Pe.ImageBase} + Section.Rva,
                              std::vector<uint8_t>(First, First + Section.RawSize)});
  }
  return Image;
}

std::optional<LINKED_IMAGE> FromElf(const std::vector<uint8_t> &Bytes, std::string &Problem) {
  llvm::StringRef Data(reinterpret_cast<const char *>(Bytes.data()), Bytes.size());
  llvm::Expected<std::unique_ptr<llvm::object::ObjectFile>> Object =
      llvm::object::ObjectFile::createObjectFile(llvm::MemoryBufferRef(Data, "image"));
  if (!Object) {
    Problem = llvm::toString(Object.takeError());
    return std::nullopt;
  }
  LINKED_IMAGE Image;
  // Code, data and zero-fill are what is loaded; DWARF and notes are not.
  for (const llvm::object::SectionRef &Section : (*Object)->sections()) {
    const bool Loaded = Section.isText() || Section.isData() || Section.isBSS();
    if (!Loaded || Section.getSize() == 0) {
      continue;
    }
    Image.Ranges.push_back({Section.getAddress(), Section.getAddress() + Section.getSize()});
    if (Section.isBSS()) {
      continue;
    }
    llvm::Expected<llvm::StringRef> Contents = Section.getContents();
    if (!Contents) {
      Problem = llvm::toString(Contents.takeError());
      return std::nullopt;
    }
    Image.Sections.push_back({Section.getAddress(), std::vector<uint8_t>(Contents->bytes_begin(),
                                                                         Contents->bytes_end())});
  }
  if (Image.Ranges.empty()) {
    Problem = "no loaded section";
    return std::nullopt;
  }
  return Image;
}

bool EndsWith(const std::string &Text, const std::string &End) {
  return Text.size() > End.size() && Text.compare(Text.size() - End.size(), End.size(), End) == 0;
}

} // namespace

std::optional<LINKED_IMAGE> ReadLinkedImage(const std::string &ImagePath,
                                            const std::string &SymbolPath, std::string &Problem) {
  std::optional<std::vector<uint8_t>> Bytes = HostTools::ReadInputFile(ImagePath, Problem);
  if (!Bytes) {
    return std::nullopt;
  }
  std::optional<LINKED_IMAGE> Image;
  if (StartsWithElfMagic(*Bytes)) {
    Image = FromElf(*Bytes, Problem);
  } else if (std::optional<HostTools::PE_FILE> Pe =
                 HostTools::ReadPeFile(std::move(*Bytes), Problem)) {
    Image = FromPe(*Pe);
  }
  if (Image) {
    Image->Name = std::filesystem::path(ImagePath).filename().string();
    Image->SymbolFile = SymbolPath;
  }
  return Image;
}

std::optional<std::vector<LINKED_IMAGE>> ReadBuildImages(const std::string &BuildDir,
                                                         std::string &Problem) {
  const std::filesystem::path Firmware = std::filesystem::path(BuildDir) / "firmware";
  std::error_code Error;
  std::vector<std::string> Names;
  for (const auto &Entry : std::filesystem::directory_iterator(Firmware, Error)) {
    Names.push_back(Entry.path().filename().string());
  }
  if (Error) {
    Problem = Firmware.string() + ": " + Error.message();
    return std::nullopt;
  }
  std::sort(Names.begin(), Names.end());
  std::vector<LINKED_IMAGE> Images;
  for (const std::string &Name : Names) {
    std::string Symbols;
    if (EndsWith(Name, ".efi") && !EndsWith(Name, ".debug.efi")) {
      Symbols = Name.substr(0, Name.size() - 4) + ".debug.elf";
    } else if (EndsWith(Name, ".elf") && !EndsWith(Name, ".debug.elf")) {
      Symbols = Name;
    }
    if (Symbols.empty() || !std::filesystem::exists(Firmware / Symbols)) {
      continue;
    }
    std::optional<LINKED_IMAGE> Image =
        ReadLinkedImage((Firmware / Name).string(), (Firmware / Symbols).string(), Problem);
    if (!Image) {
      Problem = (Firmware / Name).string() + ": " + Problem;
      return std::nullopt;
    }
    Images.push_back(std::move(*Image));
  }
  if (Images.empty()) {
    Problem = Firmware.string() + ": no image with a symbol file";
    return std::nullopt;
  }
  return Images;
}

bool IsLinkedAt(const LINKED_IMAGE &Image, uint64_t Address) {
  return std::any_of(Image.Ranges.begin(), Image.Ranges.end(), [Address](ADDRESS_RANGE Range) {
    return Address >= Range.Start && Address < Range.End;
  });
}

std::optional<uint8_t> ByteAt(const LINKED_IMAGE &Image, uint64_t Address) {
  for (const PLACED_BYTES &Section : Image.Sections) {
    if (Address >= Section.Address && Address - Section.Address < Section.Bytes.size()) {
      return Section.Bytes[Address - Section.Address];
    }
  }
  return std::nullopt;
}

} // namespace TolvernLog
