// The flash image builder lays out what fits and refuses, with a reason, what
// does not: checked against the module's own flash map record, and read back
// with the volume reader.
#include "FakePe32.h"
#include "FlashImageLayout.h"

#include <FirmwareVolume.h>
#include <PeimFile.h>

#include <Pi/PiFirmwareFile.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <iterator>

using namespace TolvernFlash;
using namespace HostTools;

namespace {

constexpr UINT32 MODULE_ADDRESS = Expected::IMAGE_BASE;
constexpr UINT32 PLATFORM_ADDRESS = 0xFFFF0000;
constexpr UINT32 VOLUME_BASE = 0xFFF60000;
constexpr UINT32 FLASH_BASE = 0xFF000000;
// A PEIM standing first has its PE32 data after the volume's 72-byte header.
constexpr UINT32 CONSUMER_ADDRESS = VOLUME_BASE + 72 + FakePeimImageOffset(8); // "Consumer"

FLASH_IMAGE_PARTS Parts(const FAKE_PE32 &Module) {
  FLASH_IMAGE_PARTS Result;
  Result.Module = MakeFakePeimFile(Module, "Module");
  Result.ModuleAddress = MODULE_ADDRESS;
  Result.Platform.assign(0x10000, 0xA5);
  Result.PlatformAddress = PLATFORM_ADDRESS;
  return Result;
}

std::vector<UINT8> Consumer(UINT32 ImageBase) {
  FAKE_PE32 Fake;
  Fake.ImageBase = ImageBase;
  return MakeFakePeimFile(Fake, "Consumer");
}

struct REFUSAL_CASE {
  const char *Name;
  std::function<void(FAKE_PE32 &)> ChangeModule;        // what the module's header says
  std::function<void(FLASH_IMAGE_PARTS &)> ChangeParts; // what is handed to the builder
  const char *Reason;                                   // a part of the message
  FLASH_IMAGE_INPUT Blamed = FLASH_IMAGE_INPUT::Module; // the input the message names
};

// Test names and failure messages show the case, not its bytes.
void PrintTo(const REFUSAL_CASE &Case, std::ostream *Stream) {
  *Stream << '"' << Case.Name << '"';
}

VOID Keep(FAKE_PE32 &) {}
VOID KeepParts(FLASH_IMAGE_PARTS &) {}

// A module file that ends Overlap bytes into the boot platform's file.
VOID ReachPlatform(FAKE_PE32 &Fake, UINT32 Overlap) {
  const UINT32 TopFile = PLATFORM_ADDRESS - 24;
  Fake.ExtraFileBytes = TopFile + Overlap - MODULE_ADDRESS - FAKE_TEXT_OFFSET - 1;
}

const REFUSAL_CASE REFUSALS[] = {
    {"OtherImageBase", [](FAKE_PE32 &Fake) { Fake.ImageBase = 0x00400000; }, KeepParts,
     "the module's ImageBase 0x00400000 differs from its placement address"},
    {"DataNotEightByteAligned", [](FAKE_PE32 &Fake) { Fake.ImageBase = MODULE_ADDRESS + 4; },
     [](FLASH_IMAGE_PARTS &Parts) { Parts.ModuleAddress = MODULE_ADDRESS + 4; },
     "its file would start at volume offset 0x0003446C, which is not 8-byte aligned"},
    {"PlacedBelowRegion13", [](FAKE_PE32 &Fake) { Fake.ImageBase = 0xFFF50000; },
     [](FLASH_IMAGE_PARTS &Parts) { Parts.ModuleAddress = 0xFFF50000; },
     "the module (0xFFF50000) does not lie inside region 13 (0xFFF60000-0xFFFFFFFF)"},
    // Region 13 reaches the top of the address space: what leaves it runs past 4 GiB.
    {"TooLargeForRegion13", [](FAKE_PE32 &Fake) { Fake.ExtraFileBytes = 0x70000; }, KeepParts,
     "runs past 4 GiB"},
    {"OverlapsTheBootPlatformByOneByte", [](FAKE_PE32 &Fake) { ReachPlatform(Fake, 1); }, KeepParts,
     "boot platform (0xFFFEFFE8-0xFFFFFFFF) overlaps Module (0xFFF94468-0xFFFEFFE8)",
     FLASH_IMAGE_INPUT::Platform},
    {"GapBeforeThePlatformTooSmallForAPadFile", [](FAKE_PE32 &Fake) { ReachPlatform(Fake, -16); },
     KeepParts, "the 16-byte gap before it has no room for a pad file",
     FLASH_IMAGE_INPUT::Platform},
    {"NotAPeimFile", Keep,
     [](FLASH_IMAGE_PARTS &Parts) { Parts.Module = MakeFakePe32(FAKE_PE32{}); },
     "the module cannot be read: this is a PE32 image, not a firmware file: wrap it with "
     "tolvern-ffs"},
    {"DamagedModuleFile", Keep, [](FLASH_IMAGE_PARTS &Parts) { Parts.Module[3] ^= 0x10; },
     "not a sound firmware file: file header checksum does not sum to 0"},
    {"ImageLargerThanItsSection", [](FAKE_PE32 &Fake) { Fake.SizeOfImage = 0x200; }, KeepParts,
     "SizeOfImage 0x00000200 reaches past its 0x00000161 bytes in the file"},
    {"ZeroFilledData",
     [](FAKE_PE32 &Fake) {
       // Zero-fill inside the image: .text longer in memory than in the file.
       Fake.TextVirtualExtra = 0x20;
       Fake.ExtraFileBytes = 0x40;
     },
     KeepParts, "bytes that are not in the file"},
    {"EntryPointNotInCode", [](FAKE_PE32 &Fake) { Fake.TextCharacteristics = 0x40000040; },
     KeepParts, "entry point RVA 0x00000160 lies in no code section"},
    {"PeimLinkedElsewhere", Keep,
     [](FLASH_IMAGE_PARTS &Parts) { Parts.Peims = {Consumer(CONSUMER_ADDRESS + 8)}; },
     "the PEIM Consumer is linked at 0xFFF6008C, but its PE32 data lands at 0xFFF60084",
     FLASH_IMAGE_INPUT::Peim},
    {"PlatformShortOfTheTop", Keep, [](FLASH_IMAGE_PARTS &Parts) { Parts.Platform.resize(0xFFFF); },
     "does not end at the top of region 13", FLASH_IMAGE_INPUT::Platform},
    {"PlatformIsAnElfFile", Keep,
     [](FLASH_IMAGE_PARTS &Parts) {
       std::copy_n("\x7F"
                   "ELF",
                   4, Parts.Platform.begin());
     },
     "this is an ELF file, not a flat binary", FLASH_IMAGE_INPUT::Platform},
};

class FlashImageRefusal : public testing::TestWithParam<REFUSAL_CASE> {};

TEST_P(FlashImageRefusal, SaysWhyAndBuildsNothing) {
  FAKE_PE32 Fake;
  GetParam().ChangeModule(Fake);
  FLASH_IMAGE_PARTS Input = Parts(Fake);
  GetParam().ChangeParts(Input);

  std::vector<UINT8> Flash = {1, 2, 3};
  FLASH_IMAGE_LAYOUT Layout;
  const std::optional<FLASH_IMAGE_REFUSAL> Refusal =
      ComposeFlashImage(FlashMapRecord, Input, Flash, Layout);
  ASSERT_TRUE(Refusal.has_value());
  EXPECT_NE(Refusal->Reason.find(GetParam().Reason), std::string::npos) << Refusal->Reason;
  EXPECT_EQ(Refusal->Input, GetParam().Blamed) << Refusal->Reason;
  EXPECT_TRUE(Flash.empty());
}

INSTANTIATE_TEST_SUITE_P(Cases, FlashImageRefusal, testing::ValuesIn(REFUSALS),
                         [](const auto &Info) { return std::string(Info.param.Name); });

TEST(FlashImage, LaysTheBootVolumeOutInRegion13) {
  FLASH_IMAGE_PARTS Input = Parts(FAKE_PE32{});
  Input.Peims = {Consumer(CONSUMER_ADDRESS)};
  std::vector<UINT8> Flash;
  FLASH_IMAGE_LAYOUT Layout;
  const std::optional<FLASH_IMAGE_REFUSAL> Refusal =
      ComposeFlashImage(FlashMapRecord, Input, Flash, Layout);
  ASSERT_FALSE(Refusal.has_value()) << Refusal->Reason;
  ASSERT_EQ(Flash.size(), 0x01000000u);

  const size_t VolumeOffset = VOLUME_BASE - FLASH_BASE;
  const FIRMWARE_VOLUME Volume = ReadFirmwareVolume(Flash, VolumeOffset);
  ASSERT_EQ(Volume.Problem, FV_SOUND) << ProblemText(Volume);
  EXPECT_EQ(Volume.Length, 0xA0000u);
  // Consumer, pad, module, pad, top file.
  const uint8_t Types[] = {EFI_FV_FILETYPE_PEIM, EFI_FV_FILETYPE_FFS_PAD, EFI_FV_FILETYPE_PEIM,
                           EFI_FV_FILETYPE_FFS_PAD, EFI_FV_FILETYPE_RAW};
  ASSERT_EQ(Volume.Files.size(), std::size(Types));
  for (size_t Index = 0; Index < std::size(Types); ++Index) {
    EXPECT_EQ(Volume.Files[Index].Type, Types[Index]) << Index;
    EXPECT_TRUE(IsLiveFile(Volume.Files[Index])) << Index;
  }
  const FFS_FILE &Module = Volume.Files[2];
  const FFS_SECTION *Image = FindSection(Module, EFI_SECTION_PE32);
  ASSERT_NE(Image, nullptr);
  EXPECT_EQ(VOLUME_BASE + Module.Offset + Image->Offset + 4, MODULE_ADDRESS);
  const FFS_FILE &Top = Volume.Files.back();
  EXPECT_EQ(Top.Offset + Top.Size, Volume.Length);
  const std::span<const uint8_t> Platform = FileData(Volume, Top);
  EXPECT_TRUE(
      std::equal(Platform.begin(), Platform.end(), Input.Platform.begin(), Input.Platform.end()));
  EXPECT_TRUE(std::all_of(Flash.begin(), Flash.begin() + VolumeOffset,
                          [](UINT8 Byte) { return Byte == 0xFF; }));
  ASSERT_EQ(Layout.Files.size(), 3u);
  EXPECT_EQ(Layout.Files[0].Pe32Data, CONSUMER_ADDRESS);
  EXPECT_EQ(Layout.Files[1].Pe32Data, MODULE_ADDRESS);
  EXPECT_EQ(Layout.Files[2].File.End, 0x100000000ull);
}

std::vector<UINT8> ReadBytes(const char *Path) {
  std::ifstream File(Path, std::ios::binary);
  EXPECT_TRUE(File) << Path;
  return std::vector<UINT8>(std::istreambuf_iterator<char>(File), std::istreambuf_iterator<char>());
}

// The files the build produces fit where the flash map and their links say.
TEST(FlashImage, AcceptsTheBuiltFiles) {
  FLASH_IMAGE_PARTS Input;
  Input.Peims = {ReadBytes(CONSUMER_FILE)};
  Input.Module = ReadBytes(TOLVERN_FILE);
  Input.ModuleAddress = MODULE_ADDRESS;
  Input.Platform = ReadBytes(BOOT_PLATFORM_BIN);
  Input.PlatformAddress = PLATFORM_ADDRESS;
  std::string Problem;
  const std::optional<FLASH_MAP_RECORD> Map = PublishedFlashMap(Input.Module, Problem);
  ASSERT_TRUE(Map) << Problem;
  std::vector<UINT8> Flash;
  FLASH_IMAGE_LAYOUT Layout;
  const std::optional<FLASH_IMAGE_REFUSAL> Refusal = ComposeFlashImage(*Map, Input, Flash, Layout);
  EXPECT_FALSE(Refusal.has_value()) << Refusal->Reason;
}

} // namespace
