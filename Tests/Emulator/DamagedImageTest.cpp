// Damaged or foreign files are refused with one line saying why, never loaded
// half-way and never crashing the loader.
#include "EmulatorTestSupport.h"
#include "PeLayout.h"

#include <ExpectedFlashMap.h>

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <iterator>
#include <random>

using namespace HostTools;
using namespace TolvernEmu;

namespace {

using namespace PeLayout;

FILE_BYTES ImageFile() {
  std::ifstream Stream(TOLVERN_IMAGE_PATH, std::ios::binary);
  return FILE_BYTES((std::istreambuf_iterator<char>(Stream)), std::istreambuf_iterator<char>());
}

struct DAMAGE {
  const char *Name;
  std::function<VOID(FILE_BYTES &)> Apply;
  const char *Problem;
};

const DAMAGE DAMAGES[] = {
    {"Empty", [](FILE_BYTES &F) { F.clear(); }, "not a PE image"},
    {"TruncatedInDosHeader", [](FILE_BYTES &F) { F.resize(32); }, "not a PE image"},
    {"TruncatedInPeHeaders", [](FILE_BYTES &F) { F.resize(300); }, "not a PE image"},
    {"TruncatedInCode", [](FILE_BYTES &F) { F.resize(F.size() - 0x100); },
     "runs past the end of the file"},
    {"TruncatedInRelocations", [](FILE_BYTES &F) { F.resize(F.size() - 4); },
     "runs past the end of the file"},
    {"Garbage",
     [](FILE_BYTES &F) {
       std::mt19937 Random(7);
       for (UINT8 &Byte : F) {
         Byte = static_cast<UINT8>(Random());
       }
     },
     "not a PE image"},
    {"FlippedPeSignature", [](FILE_BYTES &F) { F.at(PeHeader(F) + 1) ^= 0x01; }, "not a PE image"},
    {"FlippedMzSignature", [](FILE_BYTES &F) { F.at(0) ^= 0x20; }, "not a PE image"},
    {"ForeignMachine",
     [](FILE_BYTES &F) {
       Put16(F, PeHeader(F) + COFF_MACHINE, 0x8664); // x86-64
     },
     "not an IA32 PE32 image (machine 0x8664)"},
    {"SectionsOverlap",
     [](FILE_BYTES &F) {
       Put32(F, FirstSection(F) + SECTION_VIRTUAL_SIZE,
             Get32(F, FirstSection(F) + SECTION_RAW_SIZE) + 0x40);
     },
     "overlaps section"},
    {"SectionMovedInTheFile",
     [](FILE_BYTES &F) {
       const UINT32 Raw = FirstSection(F) + SECTION_RAW_OFFSET;
       Put32(F, Raw, Get32(F, Raw) - 0x20);
     },
     "cannot run in place"},
    {"SectionLongerInMemoryThanInTheFile",
     [](FILE_BYTES &F) {
       // The last section, with SizeOfImage grown to match: only the missing bytes are wrong.
       const size_t Last =
           FirstSection(F) + SECTION_HEADER_SIZE * (Get16(F, PeHeader(F) + COFF_SECTION_COUNT) - 1);
       Put32(F, Last + SECTION_VIRTUAL_SIZE, Get32(F, Last + SECTION_RAW_SIZE) + 0x40);
       Put32(F, OptionalHeader(F) + SIZE_OF_IMAGE,
             Get32(F, OptionalHeader(F) + SIZE_OF_IMAGE) + 0x40);
     },
     "bytes that are not in the file"},
    {"EntryPointInTheHeaders",
     [](FILE_BYTES &F) { Put32(F, OptionalHeader(F) + ENTRY_POINT, 0x10); },
     "lies in no code section"},
    {"HugeImageSize",
     [](FILE_BYTES &F) { Put32(F, OptionalHeader(F) + SIZE_OF_IMAGE, 0x7FFFFFFF); },
     "exceeds the 16 MiB flash device"},
    {"RelocationBlockSizeZero", [](FILE_BYTES &F) { Put32(F, RelocationTable(F) + 4, 0); },
     "has a bad size"},
    {"RelocationBlockSizeOdd", [](FILE_BYTES &F) { Put32(F, RelocationTable(F) + 4, 9); },
     "has a bad size"},
    {"RelocationBlockSizePastTheTable",
     [](FILE_BYTES &F) { Put32(F, RelocationTable(F) + 4, 0x1000); }, "has a bad size"},
    {"RelocationOfAForeignType", [](FILE_BYTES &F) { F.at(RelocationTable(F) + 9) = 0xA0; },
     "is not an IA32 fixup"},
    {"RelocationOutsideTheImage", [](FILE_BYTES &F) { Put32(F, RelocationTable(F), 0x00100000); },
     "lies outside the image"},
    {"RelocationTablePastTheImage",
     [](FILE_BYTES &F) {
       Put32(F, OptionalHeader(F) + DATA_DIRECTORIES + 8 * BASE_RELOCATION_DIRECTORY + 4, 0x1000);
     },
     "runs past the image's end"},
};

// Test names, not bytes, in gtest's messages.
VOID PrintTo(const DAMAGE &Case, std::ostream *Out) {
  *Out << Case.Name;
}

class DamagedImageTest : public ::testing::TestWithParam<DAMAGE> {};

TEST_P(DamagedImageTest, IsRefusedWithOneLineSayingWhy) {
  FILE_BYTES File = ImageFile();
  ASSERT_FALSE(File.empty());
  GetParam().Apply(File);
  std::string Error;
  EXPECT_FALSE(LoadImage(File, Error).has_value());
  EXPECT_NE(Error.find(GetParam().Problem), std::string::npos) << Error;
  EXPECT_EQ(Error.find('\n'), std::string::npos) << Error;
}

INSTANTIATE_TEST_SUITE_P(Damages, DamagedImageTest, ::testing::ValuesIn(DAMAGES),
                         [](const ::testing::TestParamInfo<DAMAGE> &Info) {
                           return std::string(Info.param.Name);
                         });

TEST(ImageFileTest, TheBuiltImageLoadsWithItsRelocations) {
  std::string Error;
  const std::optional<LOADABLE_IMAGE> Image = LoadImage(ImageFile(), Error);
  ASSERT_TRUE(Image.has_value()) << Error;
  EXPECT_EQ(Image->LinkBase, Expected::IMAGE_BASE);
  // The descriptor's two pointers and the PPI body's one at least.
  EXPECT_GE(Image->HighLowRelocations.size(), 3u);
}

TEST(ImageFileTest, RelocationMovesEveryFixupByTheSameDistance) {
  const LOADABLE_IMAGE &Image = NormalImage();
  const std::vector<UINT8> Moved = RelocatedBytes(Image, 0x00200000);
  ASSERT_EQ(Moved.size(), Image.Bytes.size());
  for (UINT32 Rva : Image.HighLowRelocations) {
    EXPECT_EQ(Get32(Moved, Rva) - Get32(Image.Bytes, Rva), 0x00200000u - Expected::IMAGE_BASE)
        << Rva;
  }
  UINTN Changed = 0;
  for (UINTN Index = 0; Index < Moved.size(); ++Index) {
    Changed += Moved[Index] != Image.Bytes[Index] ? 1 : 0;
  }
  EXPECT_LE(Changed, 4 * Image.HighLowRelocations.size()) << "only fixups change";
  EXPECT_EQ(RelocatedBytes(Image, Image.LinkBase), Image.Bytes);
}

TEST(ImageFileTest, AnImageWithoutRelocationsRunsOnlyAtItsLinkBase) {
  FILE_BYTES File = ImageFile();
  File.at(PeHeader(File) + COFF_CHARACTERISTICS) |= 0x01; // IMAGE_FILE_RELOCS_STRIPPED
  std::string Error;
  const std::optional<LOADABLE_IMAGE> Image = LoadImage(File, Error);
  ASSERT_TRUE(Image.has_value()) << Error;
  EXPECT_FALSE(CheckLoadBase(*Image, Image->LinkBase).has_value());
  const std::optional<std::string> Refusal = CheckLoadBase(*Image, 0x00200000);
  ASSERT_TRUE(Refusal.has_value());
  EXPECT_NE(Refusal->find("relocations were stripped"), std::string::npos) << *Refusal;
}

} // namespace
