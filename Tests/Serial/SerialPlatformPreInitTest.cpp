// LPC decode, super I/O fix-ups, the UART probe and the UART placement table.
#include "SerialTraces.h"

#include <Library/SerialPortLib.h>

#include <gtest/gtest.h>

namespace {

TEST(SerialPlatformPreInitTest, ActiveDebugUartStopsAfterTheProbe) {
  BOARD_SETUP Setup;
  Setup.SioRegisters[3][0x30] = 0x01;
  SIMULATED_BOARD Board(Setup);
  HOST_PORT_SPACE_SCOPE Scope(Board);
  EXPECT_EQ(SerialPlatformPreInit(), EFI_SUCCESS);
  EXPECT_TRUE(TraceIs(
      Board.Trace(),
      Join({LpcDecodeTrace(), FixupTrace({0, 0, 0, 0, 0}, 0x00, 0x01), ProbeTrace(0x01, 0x00)})));
  EXPECT_EQ(Board.Trace().size(), 2u + 15u + 8u);
}

TEST(SerialPlatformPreInitTest, NeitherUartActiveWritesTheWholeTable) {
  SIMULATED_BOARD Board(FreshSetup());
  HOST_PORT_SPACE_SCOPE Scope(Board);
  EXPECT_EQ(SerialPlatformPreInit(), EFI_SUCCESS);
  EXPECT_TRUE(TraceIs(Board.Trace(), FreshPreInitTrace()));
  EXPECT_EQ(Board.Trace().size(), 2u + 15u + 8u + 20u);
}

struct PROBE_CASE {
  UINT8 Com1Activate;
  UINT8 Com2Activate;
  bool TableWritten;
};

class SerialPlatformPreInitProbeTest : public ::testing::TestWithParam<PROBE_CASE> {};

// Only the exact byte 0x01 in either activate register means "already on".
TEST_P(SerialPlatformPreInitProbeTest, TableWrittenUnlessAnActivateRegisterIsExactlyOne) {
  const PROBE_CASE &Case = GetParam();
  BOARD_SETUP Setup;
  Setup.SioRegisters[3][0x30] = Case.Com1Activate;
  Setup.SioRegisters[2][0x30] = Case.Com2Activate;
  SIMULATED_BOARD Board(Setup);
  HOST_PORT_SPACE_SCOPE Scope(Board);
  EXPECT_EQ(SerialPlatformPreInit(), EFI_SUCCESS);
  TRACE Expected = Join({LpcDecodeTrace(), FixupTrace({0, 0, 0, 0, 0}, 0x00, 0x01),
                         ProbeTrace(Case.Com1Activate, Case.Com2Activate)});
  if (Case.TableWritten) {
    Expected = Join({Expected, UartTableTrace()});
  }
  EXPECT_TRUE(TraceIs(Board.Trace(), Expected));
}

INSTANTIATE_TEST_SUITE_P(
    ActivateValues, SerialPlatformPreInitProbeTest,
    ::testing::Values(PROBE_CASE{0x00, 0x00, true}, PROBE_CASE{0x03, 0x00, true},
                      PROBE_CASE{0x00, 0x03, true}, PROBE_CASE{0x81, 0xFF, true},
                      PROBE_CASE{0x01, 0x00, false}, PROBE_CASE{0x00, 0x01, false},
                      PROBE_CASE{0x01, 0x01, false}, PROBE_CASE{0x03, 0x01, false}),
    [](const auto &Info) {
      return "Device3Is" + HexName(Info.param.Com1Activate) + "Device2Is" +
             HexName(Info.param.Com2Activate);
    });

struct KEPT_BITS_CASE {
  UINT8 DeviceSpecific; // register 0xF0 of logical device 0x11 before
  UINT8 Activate;       // register 0x30 of logical device 0x11 before
  UINT8 DeviceSpecificAfter;
  UINT8 ActivateAfter;
};

class SerialPlatformPreInitFixupTest : public ::testing::TestWithParam<KEPT_BITS_CASE> {};

TEST_P(SerialPlatformPreInitFixupTest, FixupsFourAndFiveKeepTheOtherBits) {
  const KEPT_BITS_CASE &Case = GetParam();
  BOARD_SETUP Setup;
  Setup.SioRegisters[0x11][0xF0] = Case.DeviceSpecific;
  Setup.SioRegisters[0x11][0x30] = Case.Activate;
  Setup.SioRegisters[3][0x30] = 0x01;
  SIMULATED_BOARD Board(Setup);
  HOST_PORT_SPACE_SCOPE Scope(Board);
  SerialPlatformPreInit();
  EXPECT_TRUE(TraceIs(Board.Trace(), Join({LpcDecodeTrace(),
                                           FixupTrace({0, 0, 0, Case.DeviceSpecific, Case.Activate},
                                                      Case.DeviceSpecificAfter, Case.ActivateAfter),
                                           ProbeTrace(0x01, 0x00)})));
  EXPECT_EQ(Board.SioRegister(0x11, 0xF0), Case.DeviceSpecificAfter);
  EXPECT_EQ(Board.SioRegister(0x11, 0x30), Case.ActivateAfter);
}

INSTANTIATE_TEST_SUITE_P(RegisterValues, SerialPlatformPreInitFixupTest,
                         ::testing::Values(KEPT_BITS_CASE{0xFF, 0xFE, 0xF9, 0xFF},
                                           KEPT_BITS_CASE{0x06, 0x00, 0x00, 0x01},
                                           KEPT_BITS_CASE{0x09, 0x80, 0x09, 0x81},
                                           KEPT_BITS_CASE{0xA5, 0x01, 0xA1, 0x01}),
                         [](const auto &Info) {
                           return "F0Is" + HexName(Info.param.DeviceSpecific) + "ActivateIs" +
                                  HexName(Info.param.Activate);
                         });

TEST(SerialPlatformPreInitTest, FreshBoardEndsWithBothUartsPlaced) {
  BOARD_SETUP Setup = FreshSetup();
  Setup.SioRegisters[0x11][0xF0] = 0x3E;
  SIMULATED_BOARD Board(Setup);
  HOST_PORT_SPACE_SCOPE Scope(Board);
  SerialPlatformPreInit();

  EXPECT_EQ(Board.PciConfig(0, 31, 0, 0x80), 0x040B1010u);
  struct {
    UINT8 Device, Register, Value;
  } const Expected[] = {
      {0x11, 0x60, 0x0C}, {0x11, 0x61, 0xB0}, {0x11, 0xF0, 0x38}, {0x11, 0x30, 0x01},
      {3, 0x60, 0x03},    {3, 0x61, 0xF8},    {3, 0x70, 0x04},    {3, 0x30, 0x01},
      {2, 0x60, 0x02},    {2, 0x61, 0xF8},    {2, 0x70, 0x03},    {2, 0x30, 0x01},
  };
  for (const auto &Register : Expected) {
    EXPECT_EQ(Board.SioRegister(Register.Device, Register.Register), Register.Value)
        << "device " << int{Register.Device} << " register " << int{Register.Register};
  }
  EXPECT_EQ(Board.SioSelectedDevice(), 0x02);
}

} // namespace
