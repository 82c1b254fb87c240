// A run-in-place PEIM's base must be where its PE32 data lies when it stands
// first in the boot volume: in the flash image the build made, found with
// the tools' volume reader, and wherever the flash builder places a PEIM of
// another name and dependency expression.
#include "PeimBase.h"

#include <DependencyText.h>
#include <FirmwareVolume.h>
#include <FlashImageLayout.h>
#include <Guid.h>
#include <PeLayout.h>
#include <ToolRun.h>

#include <Pi/PiFirmwareFile.h>

#include <gtest/gtest.h>

using namespace HostTools;
using namespace TolvernFlash;

namespace {

PEIM_FILE_PARTS Parts(const char *Name, const char *Depex) {
  PEIM_FILE_PARTS Parts;
  Parts.Name = *ParseGuid(CONSUMER_FILE_GUID);
  Parts.UserInterfaceName = Name;
  std::string Problem;
  Parts.Dependency = EncodeDependency(Depex, Problem);
  EXPECT_TRUE(Parts.Dependency) << Problem;
  return Parts;
}

uint32_t Base(const PEIM_FILE_PARTS &Parts) {
  std::string Problem;
  const std::optional<uint32_t> Base = BuildFacts::FirstPeimBase(BOOT_VOLUME_BASE, Parts, Problem);
  EXPECT_TRUE(Base) << Problem;
  return Base.value_or(0);
}

TEST(PeimBaseTest, IsWhereTheBootFlashHoldsTheConsumersImage) {
  const std::vector<uint8_t> Flash = ReadFileBytes(BOOT_FLASH_IMAGE);
  const size_t VolumeOffset = BOOT_VOLUME_BASE - (0x100000000ull - Flash.size());
  const FIRMWARE_VOLUME Volume = ReadFirmwareVolume(Flash, VolumeOffset);
  ASSERT_EQ(Volume.Problem, FV_SOUND) << ProblemText(Volume);
  ASSERT_FALSE(Volume.Files.empty());
  const FFS_FILE &First = Volume.Files.front();
  ASSERT_EQ(GuidText(First.Name), CONSUMER_FILE_GUID);
  const FFS_SECTION *Pe32 = FindSection(First, EFI_SECTION_PE32);
  ASSERT_NE(Pe32, nullptr);
  const size_t Lies = SectionData(Volume, First, *Pe32).data() - Flash.data() - VolumeOffset;
  EXPECT_EQ(Base(Parts(CONSUMER_NAME, CONSUMER_DEPEX)), BOOT_VOLUME_BASE + Lies);
}

struct NAMED_PEIM {
  const char *Name;
  const char *Depex;
};

class PeimBaseLayoutTest : public testing::TestWithParam<NAMED_PEIM> {};

// The consumer's image claimed linked at the computed base (its ImageBase
// field rewritten) and built into a flash image: the builder refuses a PEIM
// whose ImageBase differs from where its PE32 data lands.
TEST_P(PeimBaseLayoutTest, IsWhereTheFlashBuilderPlacesThePeim) {
  PEIM_FILE_PARTS Peim = Parts(GetParam().Name, GetParam().Depex);
  const uint32_t Computed = Base(Peim);
  Peim.Image = ReadFileBytes(CONSUMER_IMAGE);
  PeLayout::Put32(Peim.Image, PeLayout::OptionalHeader(Peim.Image) + PeLayout::IMAGE_BASE,
                  Computed);
  std::string Problem;
  const FLASH_IMAGE_PARTS Flash = {{PeimFile(Peim, Problem).value()},
                                   ReadFileBytes(TOLVERN_FFS_PATH),
                                   TOLVERN_IMAGE_BASE,
                                   ReadFileBytes(BOOT_PLATFORM_BIN),
                                   BOOT_PLATFORM_BASE};
  const std::optional<FLASH_MAP_RECORD> Map = PublishedFlashMap(Flash.Module, Problem);
  ASSERT_TRUE(Map) << Problem;
  std::vector<uint8_t> Bytes;
  FLASH_IMAGE_LAYOUT Layout;
  const auto Refusal = ComposeFlashImage(*Map, Flash, Bytes, Layout);
  ASSERT_FALSE(Refusal) << Refusal->Reason;
  EXPECT_EQ(Layout.Volume.Base, BOOT_VOLUME_BASE);
  EXPECT_EQ(Layout.Files.front().Pe32Data, Computed);
}

// Expressions of 2, 19 and 36 bytes and names of 1, 6 and 8 characters: each
// section followed by 0, 1 or 2 bytes of padding.
INSTANTIATE_TEST_SUITE_P(
    Peims, PeimBaseLayoutTest,
    testing::Values(NAMED_PEIM{"P", "TRUE END"}, NAMED_PEIM{"Second", "PUSH flash-map NOT END"},
                    NAMED_PEIM{"Consumer", "PUSH flash-map PUSH flash-map AND END"}));

} // namespace
