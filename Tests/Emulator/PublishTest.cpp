// What the PEI Foundation and a consumer see from the real image: one
// InstallPpi call with the received services pointer and the descriptor, the
// record behind it byte for byte, and InstallPpi's status as the result, at
// the link base and wherever else the image is loaded.
#include "EmulatorTestSupport.h"
#include "ExpectedFlashMap.h"

#include "BoardScenarios.h"

#include <gtest/gtest.h>

using namespace HostTools;
using namespace TolvernEmu;

namespace {

enum class BASE { Link, Low, HighUnaligned, Middle, AtTheTop };

struct PLACEMENT {
  const char *Name;
  BASE Kind;
};

UINT32 BaseFor(BASE Kind, const LOADABLE_IMAGE &Image) {
  switch (Kind) {
  case BASE::Link:
    return Image.LinkBase;
  case BASE::Low:
    return 0x00200000;
  case BASE::HighUnaligned:
    return 0xFF8004A0;
  case BASE::Middle:
    return 0x40000020;
  case BASE::AtTheTop:
    // The image's last byte is the last byte below 4 GiB.
    return static_cast<UINT32>(0x100000000ull - Image.Bytes.size());
  }
  return 0;
}

bool Inside(UINT32 Address, UINT32 Size, const EMULATED_START &Start, const LOADABLE_IMAGE &Image) {
  return Address >= Start.Base && UINT64{Address} + Size <= UINT64{Start.Base} + Image.Bytes.size();
}

// Test names, not bytes, in gtest's messages.
VOID PrintTo(const PLACEMENT &Case, std::ostream *Out) {
  *Out << Case.Name;
}

class PublishTest : public ::testing::TestWithParam<PLACEMENT> {};

TEST_P(PublishTest, InstallsTheDescriptorOnceAndTheRecordReadsBackExactly) {
  const LOADABLE_IMAGE &Image = NormalImage();
  const EMULATED_START AtLink = StartImage(Image, FreshBoard(0), Image.LinkBase);
  ASSERT_EQ(AtLink.Run.InstallPpiCalls.size(), 1u);
  const UINT32 DescriptorRva = AtLink.Run.InstallPpiCalls[0].PpiList - Image.LinkBase;

  const EMULATED_START Start = StartImage(Image, FreshBoard(0), BaseFor(GetParam().Kind, Image));
  ASSERT_EQ(Start.Run.End, RUN_END::Returned) << Start.Run.Problem;
  EXPECT_EQ(Start.Run.Status, EFI_SUCCESS);
  ASSERT_EQ(Start.Run.InstallPpiCalls.size(), 1u);
  EXPECT_EQ(Start.Run.InstallPpiCalls[0].PeiServices, EMULATOR_PEI_SERVICES);
  EXPECT_EQ(Start.Run.InstallPpiCalls[0].PpiList, Start.Base + DescriptorRva);

  ASSERT_TRUE(Start.FlashMap.has_value()) << Start.FlashMapProblem;
  const PUBLISHED_FLASH_MAP &Map = *Start.FlashMap;
  EXPECT_EQ(Map.Flags, 0x80000010u);
  EXPECT_EQ(Map.GuidBytes, Expected::GUID_BYTES);
  // Every pointer was moved with the image: all of it lies in the image.
  EXPECT_TRUE(Inside(Map.DescriptorAddress, 12, Start, Image));
  EXPECT_TRUE(Inside(Map.GuidAddress, 16, Start, Image));
  EXPECT_TRUE(Inside(Map.PpiAddress, 4, Start, Image));
  EXPECT_TRUE(Inside(Map.RecordAddress, 280, Start, Image));
  EXPECT_EQ(std::vector<UINT8>(Map.RecordBytes.begin(), Map.RecordBytes.end()),
            Expected::RecordBytes());
}

INSTANTIATE_TEST_SUITE_P(
    Bases, PublishTest,
    ::testing::Values(PLACEMENT{"LinkBase", BASE::Link}, PLACEMENT{"Low", BASE::Low},
                      PLACEMENT{"HighUnaligned", BASE::HighUnaligned},
                      PLACEMENT{"Middle", BASE::Middle}, PLACEMENT{"AtTheTop", BASE::AtTheTop}),
    [](const ::testing::TestParamInfo<PLACEMENT> &Info) { return std::string(Info.param.Name); });

TEST(PublishStatusTest, InstallPpiStatusComesBackUnchanged) {
  const LOADABLE_IMAGE &Image = NormalImage();
  for (UINT32 Base : {Image.LinkBase, UINT32{0x00200000}}) {
    for (EFI_STATUS Status : {EFI_SUCCESS, EFI_NOT_FOUND, EFI_OUT_OF_RESOURCES,
                              EFI_STATUS{0x80000019}, EFI_STATUS{3}, EFI_STATUS{0xFFFFFFFF}}) {
      const EMULATED_START Start = StartImage(Image, FreshBoard(0), Base, Status);
      ASSERT_EQ(Start.Run.End, RUN_END::Returned) << Start.Run.Problem;
      EXPECT_EQ(Start.Run.Status, Status) << std::hex << Status << " at " << Base;
      EXPECT_EQ(Start.Run.InstallPpiCalls.size(), 1u);
    }
  }
}

// Relocation moves addresses, never the path through the code: the start-up
// costs the same wherever the image is loaded.
TEST(PublishStatusTest, CostDoesNotDependOnTheLoadBase) {
  const LOADABLE_IMAGE &Image = NormalImage();
  const EMULATED_START AtLink = StartImage(Image, FreshBoard(0x20), Image.LinkBase);
  const EMULATED_START Moved = StartImage(Image, FreshBoard(0x20), 0x00200000);
  ASSERT_EQ(AtLink.Run.End, RUN_END::Returned) << AtLink.Run.Problem;
  ASSERT_EQ(Moved.Run.End, RUN_END::Returned) << Moved.Run.Problem;
  EXPECT_EQ(Moved.Run.Instructions, AtLink.Run.Instructions);
  EXPECT_EQ(Moved.Run.PeakStackBytes, AtLink.Run.PeakStackBytes);
  EXPECT_EQ(Moved.Trace, AtLink.Trace);
}

} // namespace
