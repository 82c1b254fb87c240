// The symbol files gdb loads describe the bytes that run. A PE image's symbol
// file is made from a copy of the image linked again with its DWARF; it must
// hold the image's code and data at the image's addresses, with the image's
// entry point, and what the copy adds to them must be only the linker's debug
// directory. Read with binutils' objdump, apart from the linkers and from the
// tools' PE reader.
#include "ImageBytes.h"
#include "ObjdumpText.h"
#include "ToolRun.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct SYMBOL_FILES {
  const char *Name;
  const char *Image;   // what goes into flash
  const char *Copy;    // the image linked again with DWARF
  const char *Symbols; // the copy as gdb loads it
};

void PrintTo(const SYMBOL_FILES &Files, std::ostream *Stream) {
  *Stream << Files.Name;
}

// Every firmware image the build makes (FirmwareBuild.cmake's list).
const SYMBOL_FILES IMAGES[] = {TOLVERN_SYMBOL_FILES};

struct READ_FILE {
  OBJDUMP_IMAGE Headers;
  std::vector<unsigned char> Bytes;
};

READ_FILE Read(const char *Path) {
  return {ReadWithObjdump(Path), ReadFileBytes(Path)};
}

uint32_t U32At(const std::vector<unsigned char> &Bytes, size_t Offset) {
  return Bytes.at(Offset) | Bytes.at(Offset + 1) << 8 | Bytes.at(Offset + 2) << 16 |
         static_cast<uint32_t>(Bytes.at(Offset + 3)) << 24;
}

// The address ranges of the copy's debug directory and of the records its
// entries point to.
std::vector<std::pair<uint64_t, uint64_t>> DebugDirectoryRanges(const READ_FILE &Copy) {
  constexpr int DEBUG_DIRECTORY = 6;
  constexpr size_t ENTRY_SIZE = 28, SIZE_OF_DATA = 16, ADDRESS_OF_RAW_DATA = 20;
  const uint64_t Base = Copy.Headers.HexField("ImageBase").value_or(0);
  const auto Directory = Copy.Headers.DataDirectories.find(DEBUG_DIRECTORY);
  if (Directory == Copy.Headers.DataDirectories.end()) {
    return {};
  }
  const auto [Rva, Size] = Directory->second;
  std::vector<std::pair<uint64_t, uint64_t>> Ranges = {{Base + Rva, Base + Rva + Size}};
  for (uint64_t Entry = Base + Rva; Entry + ENTRY_SIZE <= Base + Rva + Size; Entry += ENTRY_SIZE) {
    const std::optional<size_t> At = FileOffsetOfVa(Copy.Headers, Entry);
    if (!At) {
      ADD_FAILURE() << "the debug directory lies outside the copy's sections";
      break;
    }
    const uint64_t Record = Base + U32At(Copy.Bytes, *At + ADDRESS_OF_RAW_DATA);
    Ranges.push_back({Record, Record + U32At(Copy.Bytes, *At + SIZE_OF_DATA)});
  }
  return Ranges;
}

bool IsLoaded(const OBJDUMP_SECTION &Section) {
  return Section.Flags.find("ALLOC") != std::string::npos;
}

class SymbolFileTest : public testing::TestWithParam<SYMBOL_FILES> {};

TEST_P(SymbolFileTest, HoldsTheImagesCodeAndDataAtItsAddresses) {
  const READ_FILE Image = Read(GetParam().Image);
  const READ_FILE Copy = Read(GetParam().Copy);
  const READ_FILE Symbols = Read(GetParam().Symbols);
  ASSERT_TRUE(Image.Headers.StartAddress.has_value());
  EXPECT_EQ(Symbols.Headers.StartAddress, Image.Headers.StartAddress);

  const auto Added = DebugDirectoryRanges(Copy);
  size_t Compared = 0;
  for (const OBJDUMP_SECTION &Section : Symbols.Headers.Sections) {
    if (!IsLoaded(Section)) {
      continue;
    }
    SCOPED_TRACE(Section.Name);
    const OBJDUMP_SECTION *InImage = Image.Headers.Section(Section.Name);
    ASSERT_NE(InImage, nullptr) << "a loaded section the image does not have";
    EXPECT_EQ(Section.Vma, InImage->Vma);
    ASSERT_GE(Section.Size, InImage->Size);
    ASSERT_LE(Section.FileOffset + Section.Size, Symbols.Bytes.size());
    ASSERT_LE(InImage->FileOffset + InImage->Size, Image.Bytes.size());
    const auto Ours = Symbols.Bytes.cbegin() + static_cast<ptrdiff_t>(Section.FileOffset);
    const auto Theirs = Image.Bytes.cbegin() + static_cast<ptrdiff_t>(InImage->FileOffset);
    EXPECT_TRUE(std::equal(Theirs, Theirs + static_cast<ptrdiff_t>(InImage->Size), Ours));
    // Past the image's last byte: the padding that aligns the debug
    // directory to 4 bytes, the directory and its records.
    for (uint64_t Offset = (InImage->Size + 3) / 4 * 4; Offset < Section.Size; ++Offset) {
      const uint64_t Va = Section.Vma + Offset;
      EXPECT_TRUE(
          std::any_of(Added.begin(), Added.end(),
                      [&](const auto &Range) { return Range.first <= Va && Va < Range.second; }))
          << "a byte the image lacks at 0x" << std::hex << Va;
    }
    ++Compared;
  }
  // What the image loads holds code and data, but for the base relocations,
  // which nothing reads once the image runs where it was linked.
  for (const OBJDUMP_SECTION &Section : Image.Headers.Sections) {
    if (IsLoaded(Section) && Section.Name != ".reloc") {
      EXPECT_NE(Symbols.Headers.Section(Section.Name), nullptr) << Section.Name << " is missing";
    }
  }
  EXPECT_GT(Compared, 0u);
  for (const char *Dwarf : {".debug_info", ".debug_line", ".debug_abbrev"}) {
    const OBJDUMP_SECTION *Section = Symbols.Headers.Section(Dwarf);
    EXPECT_TRUE(Section != nullptr && Section->Size > 0) << Dwarf;
  }
}

INSTANTIATE_TEST_SUITE_P(Images, SymbolFileTest, testing::ValuesIn(IMAGES),
                         [](const auto &Info) { return std::string(Info.param.Name); });

} // namespace
