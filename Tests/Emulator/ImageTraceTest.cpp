// The real image, run in the emulator, touches the hardware exactly as the
// host build of the same sources does: same accesses, same order, same values.
#include "EmulatorTestSupport.h"

#include "BoardScenarios.h"

#include <gtest/gtest.h>

#include <functional>

using namespace HostTools;
using namespace TolvernEmu;

namespace {

struct SCENARIO {
  const char *Name;
  std::function<BOARD_SETUP()> Setup;
};

BOARD_SETUP WithActivate(UINT8 Device, UINT8 Value) {
  BOARD_SETUP Setup = FreshBoard(0x00);
  Setup.SioRegisters[Device][SIO_ACTIVATE_REGISTER] = Value;
  return Setup;
}

const SCENARIO SCENARIOS[] = {
    {"FreshCmos00", [] { return FreshBoard(0x00); }},
    {"FreshCmos10", [] { return FreshBoard(0x10); }},
    {"FreshCmos20", [] { return FreshBoard(0x20); }},
    {"FreshCmos30", [] { return FreshBoard(0x30); }},
    {"FreshCmosA5", [] { return FreshBoard(0xA5); }},
    {"UartConfigured",
     [] {
       BOARD_SETUP Setup = FreshBoard(0x10);
       ConfigureUart(Setup);
       return Setup;
     }},
    {"BoardConfigured", [] { return ConfiguredBoard(0x30); }},
    {"DivisorMatchesLcrDiffers",
     [] {
       BOARD_SETUP Setup = FreshBoard(0x30);
       ConfigureUart(Setup);
       Setup.UartLcr = 0x1B;
       return Setup;
     }},
    {"DivisorDiffersLcrMatches",
     [] {
       BOARD_SETUP Setup = FreshBoard(0x20);
       ConfigureUart(Setup);
       Setup.UartDivisor = 1;
       return Setup;
     }},
    {"UartConfiguredIirBitFive",
     [] {
       BOARD_SETUP Setup = FreshBoard(0x10);
       ConfigureUart(Setup);
       Setup.UartIirOtherBits = 0x20;
       return Setup;
     }},
    {"Device3Active01", [] { return WithActivate(3, 0x01); }},
    {"Device3Active03", [] { return WithActivate(3, 0x03); }},
    {"Device3Active00", [] { return WithActivate(3, 0x00); }},
    {"Device2Active01", [] { return WithActivate(2, 0x01); }},
    {"Device2Active03", [] { return WithActivate(2, 0x03); }},
    {"Device2Active00", [] { return WithActivate(2, 0x00); }},
    {"FifosOff",
     [] {
       BOARD_SETUP Setup = FreshBoard(0x00);
       Setup.UartFifosBroken = TRUE;
       return Setup;
     }},
};

// Test names, not bytes, in gtest's messages.
VOID PrintTo(const SCENARIO &Case, std::ostream *Out) {
  *Out << Case.Name;
}

class ImageTraceTest : public ::testing::TestWithParam<SCENARIO> {};

VOID ExpectSameTrace(const std::vector<PORT_ACCESS> &Image, const std::vector<PORT_ACCESS> &Host) {
  EXPECT_EQ(Image, Host) << "image trace:\n"
                         << FormatTrace(Image) << "host trace:\n"
                         << FormatTrace(Host);
}

TEST_P(ImageTraceTest, ImageTouchesTheBoardAsTheHostBuildDoes) {
  const BOARD_SETUP Setup = GetParam().Setup();
  const EMULATED_START Image = StartImage(NormalImage(), Setup, NormalImage().LinkBase);
  const HOST_START Host = StartHostModule(Setup, ConstructorList, ConstructorCount);

  ASSERT_EQ(Image.Run.End, RUN_END::Returned) << Image.Run.Problem;
  EXPECT_EQ(Image.Run.Status, Host.Status);
  EXPECT_FALSE(Host.Trace.empty()) << "the start-up brings the serial port up";
  ExpectSameTrace(Image.Trace, Host.Trace);
  EXPECT_EQ(Image.UartBytes, Host.UartBytes);
  EXPECT_TRUE(Image.Run.Breakpoints.empty());
}

// The failing constructor's report goes out through the UART, so the write
// path is compared too, including a UART that makes it wait and one that
// refuses to send.
TEST_P(ImageTraceTest, FailingConstructorImageTouchesTheBoardAsTheHostBuildDoes) {
  BOARD_SETUP Setup = GetParam().Setup();
  Setup.UartBusyReads = 2;
  const EMULATED_START Image =
      StartImage(FailingConstructorImage(), Setup, FailingConstructorImage().LinkBase);
  const HOST_START Host = StartHostModule(Setup, FailingConstructorList, FailingConstructorCount);

  ASSERT_EQ(Image.Run.End, RUN_END::Returned) << Image.Run.Problem;
  ExpectSameTrace(Image.Trace, Host.Trace);
  EXPECT_EQ(Image.UartBytes, Host.UartBytes);
  EXPECT_EQ(Image.Run.Breakpoints.size(), Host.Breakpoints);
}

INSTANTIATE_TEST_SUITE_P(Scenarios, ImageTraceTest, ::testing::ValuesIn(SCENARIOS),
                         [](const ::testing::TestParamInfo<SCENARIO> &Info) {
                           return std::string(Info.param.Name);
                         });

} // namespace
