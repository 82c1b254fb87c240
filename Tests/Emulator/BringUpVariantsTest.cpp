// The bring-up switches on the real images built with them: each variant of
// the failing-constructor image, run in the emulator, against the default
// image's report and the host build's format engine.
#include "EmulatorTestSupport.h"

#include "BoardScenarios.h"

#include <Library/DebugLib.h>

#include <gtest/gtest.h>

namespace {

struct VARIANT {
  const char *Name;
  const char *Path;
  bool UartNeverEmpties;
  RUN_END End;
  UINTN Breakpoints;
  std::string (*ExpectedUart)();
};

std::string Report() {
  return ConstructorFailureReport();
}

// The first burst finds the transmitter idle; the wait before the second gives up.
std::string FirstBurst() {
  return Report().substr(0, 16);
}

// The constructor's error message as the host's format engine writes it, then the report.
std::string MessageThenReport() {
  CHAR8 Message[DEBUG_BUFFER_SIZE];
  FormatToBuffer(Message, sizeof Message, "\nASSERT_EFI_ERROR (Status = %r)\n", EFI_DEVICE_ERROR);
  return Message + Report();
}

const VARIANT VARIANTS[] = {
    {"Deadloop", TOLVERN_DEADLOOP_IMAGE_PATH, false, RUN_END::DeadLoop, 0, Report},
    {"Continue", TOLVERN_CONTINUE_IMAGE_PATH, false, RUN_END::Returned, 0, Report},
    {"Verbose", TOLVERN_VERBOSE_IMAGE_PATH, false, RUN_END::Returned, 1, MessageThenReport},
    {"WaitLimit", TOLVERN_WAIT_LIMIT_IMAGE_PATH, false, RUN_END::Returned, 1, Report},
    {"WaitLimitNeverEmpties", TOLVERN_WAIT_LIMIT_IMAGE_PATH, true, RUN_END::Returned, 1,
     FirstBurst},
};

class BringUpVariantTest : public ::testing::TestWithParam<VARIANT> {};

TEST_P(BringUpVariantTest, ReportsAndEndsAsBuilt) {
  const VARIANT &Variant = GetParam();
  std::string Error;
  const std::optional<LOADABLE_IMAGE> Image = LoadImageFile(Variant.Path, Error);
  ASSERT_TRUE(Image.has_value()) << Error;
  BOARD_SETUP Setup = FreshBoard(0x00);
  Setup.UartBusyReads = Variant.UartNeverEmpties ? 0xFFFFFFFF : 0;
  const EMULATED_START Start = StartImage(*Image, Setup, Image->LinkBase);
  ASSERT_EQ(Start.Run.End, Variant.End) << Start.Run.Problem;
  EXPECT_EQ(std::string(Start.UartBytes.begin(), Start.UartBytes.end()), Variant.ExpectedUart());
  EXPECT_EQ(Start.Run.Breakpoints.size(), Variant.Breakpoints);
  // A dead loop holds start-up before the PPI; every other variant carries on.
  EXPECT_EQ(Start.Run.InstallPpiCalls.size(), Variant.End == RUN_END::Returned ? 1u : 0u);
  if (Variant.End == RUN_END::DeadLoop) {
    const UINT32 Eip = std::stoul(Start.Run.Problem.substr(Start.Run.Problem.find("0x")), 0, 16);
    EXPECT_GE(Eip, Start.Base);
    EXPECT_LT(Eip, Start.Base + Image->Bytes.size()) << "the loop is the image's own";
  }
}

INSTANTIATE_TEST_SUITE_P(Variants, BringUpVariantTest, ::testing::ValuesIn(VARIANTS),
                         [](const auto &Info) { return std::string(Info.param.Name); });

} // namespace
