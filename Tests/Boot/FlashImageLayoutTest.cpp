// The flash image builder places what fits and refuses, with a reason, what
// does not: checked against the module's own flash map record.
#include "FakePe32.h"
#include "FlashImageLayout.h"

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <iterator>

using namespace TolvernFlash;

namespace {

constexpr UINT32 MODULE_ADDRESS = 0xFFF944A0;
constexpr UINT32 PLATFORM_ADDRESS = 0xFFFF0000;
constexpr UINT32 FLASH_BASE = 0xFF000000;

FLASH_IMAGE_PARTS Parts(const FAKE_PE32 &Module) {
  FLASH_IMAGE_PARTS Result;
  Result.Module = MakeFakePe32(Module);
  Result.ModuleAddress = MODULE_ADDRESS;
  Result.Platform.assign(0xFFFF, 0xA5);
  Result.PlatformAddress = PLATFORM_ADDRESS;
  return Result;
}

struct REFUSAL_CASE {
  const char *Name;
  std::function<void(FAKE_PE32 &)> ChangeModule;        // what the header says
  std::function<void(FLASH_IMAGE_PARTS &)> ChangeParts; // what is handed to the builder
  const char *Reason;                                   // a part of the message
};

// Test names and failure messages show the case, not its bytes.
void PrintTo(const REFUSAL_CASE &Case, std::ostream *Stream) {
  *Stream << '"' << Case.Name << '"';
}

VOID Keep(FAKE_PE32 &) {}
VOID KeepParts(FLASH_IMAGE_PARTS &) {}

const REFUSAL_CASE REFUSALS[] = {
    {"OtherImageBase", [](FAKE_PE32 &Fake) { Fake.ImageBase = 0x00400000; }, KeepParts,
     "ImageBase 0x00400000 differs from its placement address 0xFFF944A0"},
    // Region 13 reaches the top of the address space: what leaves it runs past 4 GiB.
    {"TooLargeForRegion13", [](FAKE_PE32 &Fake) { Fake.SizeOfImage = 0x70000; }, KeepParts,
     "runs past 4 GiB"},
    {"OverlapsBootPlatformByOneByte",
     [](FAKE_PE32 &Fake) { Fake.SizeOfImage = PLATFORM_ADDRESS - MODULE_ADDRESS + 1; }, KeepParts,
     "overlaps the boot platform (0xFFFF0000-0xFFFFFFFE)"},
    {"PlacedOutsideRegion13", [](FAKE_PE32 &Fake) { Fake.ImageBase = 0xFFF50000; },
     [](FLASH_IMAGE_PARTS &Parts) { Parts.ModuleAddress = 0xFFF50000; },
     "does not lie inside region 13"},
    {"NotPe", Keep, [](FLASH_IMAGE_PARTS &Parts) { Parts.Module[0] = 'X'; }, "no MZ header"},
    {"HeaderPastEnd", [](FAKE_PE32 &Fake) { Fake.LfanewOverride = 0x1000; }, KeepParts,
     "e_lfanew points outside the image"},
    {"ZeroFilledData", [](FAKE_PE32 &Fake) { Fake.TextVirtualExtra = 0x40; }, KeepParts,
     "bytes that are not in the file"},
    {"SectionMoved", [](FAKE_PE32 &Fake) { Fake.TextFileOffsetShift = 0x20; }, KeepParts,
     "cannot run in place"},
    {"EntryPointNotInCode", [](FAKE_PE32 &Fake) { Fake.TextCharacteristics = 0x40000040; },
     KeepParts, "entry point RVA 0x00000160 lies in no code section"},
    {"TruncatedFile", Keep, [](FLASH_IMAGE_PARTS &Parts) { Parts.Module.pop_back(); },
     "runs past the end of the file"},
    {"PlatformWithoutResetVector", Keep,
     [](FLASH_IMAGE_PARTS &Parts) { Parts.Platform.resize(0x100); },
     "does not hold the reset vector at 0xFFFFFFF0"},
    {"PlatformOutsideFlash", Keep,
     [](FLASH_IMAGE_PARTS &Parts) { Parts.PlatformAddress = 0xFEFF0000; },
     "does not lie inside the flash device"},
};

class FlashImageRefusal : public testing::TestWithParam<REFUSAL_CASE> {};

TEST_P(FlashImageRefusal, SaysWhyAndBuildsNothing) {
  FAKE_PE32 Fake;
  GetParam().ChangeModule(Fake);
  FLASH_IMAGE_PARTS Input = Parts(Fake);
  GetParam().ChangeParts(Input);

  std::vector<UINT8> Flash = {1, 2, 3};
  FLASH_IMAGE_LAYOUT Layout;
  std::string Error = ComposeFlashImage(FlashMapRecord, Input, Flash, Layout);
  EXPECT_NE(Error.find(GetParam().Reason), std::string::npos) << Error;
  EXPECT_TRUE(Flash.empty());
}

INSTANTIATE_TEST_SUITE_P(Cases, FlashImageRefusal, testing::ValuesIn(REFUSALS),
                         [](const auto &Info) { return std::string(Info.param.Name); });

TEST(FlashImage, PlacesBothPartsInErasedFlash) {
  FAKE_PE32 Fake;
  Fake.Code = {0x90, 0x90, 0xC3};
  Fake.SizeOfImage = 0; // exactly the file
  FLASH_IMAGE_PARTS Input = Parts(Fake);
  std::vector<UINT8> Flash;
  FLASH_IMAGE_LAYOUT Layout;
  ASSERT_EQ(ComposeFlashImage(FlashMapRecord, Input, Flash, Layout), "");

  ASSERT_EQ(Flash.size(), 0x01000000u);
  const UINT32 ModuleOffset = MODULE_ADDRESS - FLASH_BASE;
  const UINT32 PlatformOffset = PLATFORM_ADDRESS - FLASH_BASE;
  EXPECT_TRUE(std::equal(Input.Module.begin(), Input.Module.end(), Flash.begin() + ModuleOffset));
  EXPECT_TRUE(
      std::equal(Input.Platform.begin(), Input.Platform.end(), Flash.begin() + PlatformOffset));
  EXPECT_EQ(Flash[ModuleOffset - 1], 0xFF);
  EXPECT_EQ(Flash[ModuleOffset + Input.Module.size()], 0xFF);
  EXPECT_EQ(Flash[PlatformOffset - 1], 0xFF);
  EXPECT_EQ(Flash.back(), 0xFF); // the platform stops one byte short of 4 GiB
  EXPECT_EQ(Flash.front(), 0xFF);
  EXPECT_EQ(Layout.Module.Base, MODULE_ADDRESS);
  EXPECT_EQ(Layout.Module.End, MODULE_ADDRESS + Input.Module.size());
  EXPECT_EQ(Layout.Region.Base, 0xFFF60000u);
  EXPECT_EQ(Layout.Region.End, 0x100000000ull);
}

TEST(FlashImage, ModuleMayEndRightBelowTheBootPlatform) {
  FAKE_PE32 Fake;
  Fake.SizeOfImage = PLATFORM_ADDRESS - MODULE_ADDRESS;
  std::vector<UINT8> Flash;
  FLASH_IMAGE_LAYOUT Layout;
  EXPECT_EQ(ComposeFlashImage(FlashMapRecord, Parts(Fake), Flash, Layout), "");
}

// The image the build produces fits where the flash map says it goes.
TEST(FlashImage, AcceptsTheBuiltModule) {
  std::ifstream File(TOLVERN_IMAGE_FILE, std::ios::binary);
  ASSERT_TRUE(File) << TOLVERN_IMAGE_FILE;
  FLASH_IMAGE_PARTS Input = Parts(FAKE_PE32{});
  Input.Module.assign(std::istreambuf_iterator<char>(File), std::istreambuf_iterator<char>());
  std::vector<UINT8> Flash;
  FLASH_IMAGE_LAYOUT Layout;
  EXPECT_EQ(ComposeFlashImage(FlashMapRecord, Input, Flash, Layout), "");
}

} // namespace
