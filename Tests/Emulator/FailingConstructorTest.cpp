// The real image's assertion path: a constructor that fails makes the image
// send the constructor-failure report, raise one breakpoint, and still
// publish the flash map.
#include "EmulatorTestSupport.h"
#include "ExpectedFlashMap.h"

#include "BoardScenarios.h"

#include <gtest/gtest.h>

using namespace HostTools;
using namespace TolvernEmu;

namespace {

std::string Text(const std::vector<UINT8> &Bytes) {
  return std::string(Bytes.begin(), Bytes.end());
}

TEST(FailingConstructorTest, ReportsBreaksOnceAndStillInstalls) {
  const LOADABLE_IMAGE &Image = FailingConstructorImage();
  for (EFI_STATUS Status : {EFI_SUCCESS, EFI_OUT_OF_RESOURCES}) {
    const EMULATED_START Start = StartImage(Image, FreshBoard(0x00), Image.LinkBase, Status);
    ASSERT_EQ(Start.Run.End, RUN_END::Returned) << Start.Run.Problem;
    EXPECT_EQ(Text(Start.UartBytes), ConstructorFailureReport());
    ASSERT_EQ(Start.Run.Breakpoints.size(), 1u);
    const UINT32 Rva = Start.Run.Breakpoints[0] - Start.Base;
    ASSERT_LT(Rva, Image.Bytes.size());
    EXPECT_EQ(Image.Bytes[Rva], 0xCC) << "the breakpoint is the image's own INT3";
    ASSERT_EQ(Start.Run.InstallPpiCalls.size(), 1u);
    EXPECT_EQ(Start.Run.InstallPpiCalls[0].PeiServices, EMULATOR_PEI_SERVICES);
    EXPECT_EQ(Start.Run.Status, Status);
    ASSERT_TRUE(Start.FlashMap.has_value()) << Start.FlashMapProblem;
    EXPECT_EQ(
        std::vector<UINT8>(Start.FlashMap->RecordBytes.begin(), Start.FlashMap->RecordBytes.end()),
        Expected::RecordBytes());
  }
}

TEST(FailingConstructorTest, ReportsTheSameWhenRelocated) {
  const EMULATED_START Start = StartImage(FailingConstructorImage(), FreshBoard(0x30), 0x00200000);
  ASSERT_EQ(Start.Run.End, RUN_END::Returned) << Start.Run.Problem;
  EXPECT_EQ(Text(Start.UartBytes), ConstructorFailureReport());
  EXPECT_EQ(Start.Run.Breakpoints.size(), 1u);
}

TEST(FailingConstructorTest, FifosOffDropTheReportButNotTheBreakpoint) {
  BOARD_SETUP Setup = FreshBoard(0x00);
  Setup.UartFifosBroken = TRUE;
  const EMULATED_START Start =
      StartImage(FailingConstructorImage(), Setup, FailingConstructorImage().LinkBase);
  ASSERT_EQ(Start.Run.End, RUN_END::Returned) << Start.Run.Problem;
  EXPECT_TRUE(Start.UartBytes.empty());
  EXPECT_EQ(Start.Run.Breakpoints.size(), 1u);
  EXPECT_EQ(Start.Run.InstallPpiCalls.size(), 1u);
}

// The UART's waits have no time-out: a transmitter that never empties keeps
// the image spinning, and the emulator stops it by its budget instead of hanging.
TEST(FailingConstructorTest, UartThatNeverEmptiesExhaustsTheBudget) {
  BOARD_SETUP Setup = FreshBoard(0x00);
  Setup.UartBusyReads = 0xFFFFFFFF;
  const EMULATED_START Start = StartImage(FailingConstructorImage(), Setup,
                                          FailingConstructorImage().LinkBase, EFI_SUCCESS, 20000);
  EXPECT_EQ(Start.Run.End, RUN_END::BudgetExhausted);
  EXPECT_NE(Start.Run.Problem.find("budget of 20000"), std::string::npos) << Start.Run.Problem;
  EXPECT_TRUE(Start.Run.InstallPpiCalls.empty());
  // The first burst finds the transmitter idle; the wait before the second never ends.
  EXPECT_EQ(Text(Start.UartBytes), ConstructorFailureReport().substr(0, 16));
}

} // namespace
