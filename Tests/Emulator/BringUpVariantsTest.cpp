// The bring-up switches on the real images built with them: each variant of
// the failing-constructor image in the emulator, against the default report
// and the host build's format engine.
#include "EmulatorTestSupport.h"

#include "BoardScenarios.h"

#include <Library/DebugLib.h>

#include <gtest/gtest.h>

namespace {

struct VARIANT {
  const char *Name;
  const char *Image; // TolvernImage<Image>.efi
  bool UartNeverEmpties;
  RUN_END End;
  UINTN Breakpoints;
  bool Message;       // the constructor's error message before the report
  size_t ReportBytes; // of the report, sent (SIZE_MAX: all)
};

// With a UART that never empties, the first burst finds it idle and the wait
// before the second gives up.
const VARIANT VARIANTS[] = {
    {"Deadloop", "Deadloop", false, RUN_END::DeadLoop, 0, false, SIZE_MAX},
    {"Continue", "Continue", false, RUN_END::Returned, 0, false, SIZE_MAX},
    {"Verbose", "Verbose", false, RUN_END::Returned, 1, true, SIZE_MAX},
    {"WaitLimit", "WaitLimit", false, RUN_END::Returned, 1, false, SIZE_MAX},
    {"WaitLimitNeverEmpties", "WaitLimit", true, RUN_END::Returned, 1, false, 16},
};

class BringUpVariantTest : public ::testing::TestWithParam<VARIANT> {};

TEST_P(BringUpVariantTest, ReportsAndEndsAsBuilt) {
  const VARIANT &Variant = GetParam();
  std::string Error;
  const std::optional<LOADABLE_IMAGE> Image = LoadImageFile(
      std::string(TOLVERN_FIRMWARE_DIR) + "/TolvernImage" + Variant.Image + ".efi", Error);
  ASSERT_TRUE(Image.has_value()) << Error;
  BOARD_SETUP Setup = FreshBoard(0x00);
  Setup.UartBusyReads = Variant.UartNeverEmpties ? 0xFFFFFFFF : 0;
  const EMULATED_START Start = StartImage(*Image, Setup, Image->LinkBase);
  ASSERT_EQ(Start.Run.End, Variant.End) << Start.Run.Problem;
  CHAR8 Message[DEBUG_BUFFER_SIZE];
  FormatToBuffer(Message, sizeof Message, "\nASSERT_EFI_ERROR (Status = %r)\n", EFI_DEVICE_ERROR);
  EXPECT_EQ(std::string(Start.UartBytes.begin(), Start.UartBytes.end()),
            (Variant.Message ? Message : "") +
                ConstructorFailureReport().substr(0, Variant.ReportBytes));
  EXPECT_EQ(Start.Run.Breakpoints.size(), Variant.Breakpoints);
  // A dead loop holds start-up before the PPI.
  EXPECT_EQ(Start.Run.InstallPpiCalls.size(), Variant.End == RUN_END::Returned ? 1u : 0u);
}

INSTANTIATE_TEST_SUITE_P(Variants, BringUpVariantTest, ::testing::ValuesIn(VARIANTS),
                         [](const auto &Info) { return std::string(Info.param.Name); });

} // namespace
