// Bringing the debug UART up: compared first, reprogrammed only on a mismatch.
#include "SerialTraces.h"

#include <Library/SerialPortLib.h>

#include <gtest/gtest.h>

namespace {

// Logical device 3 already active keeps the pre-initialisation part short.
BOARD_SETUP WithDebugUartPlaced() {
  BOARD_SETUP Setup;
  Setup.SioRegisters[3][0x30] = 0x01;
  return Setup;
}

TRACE PlacedPreInitTrace() {
  return Join({LpcDecodeTrace(), FixupTrace({0, 0, 0, 0, 0}, 0x00, 0x01), ProbeTrace(0x01, 0x00)});
}

TEST(UartInitTest, FreshUartGetsTheWholeProgrammingSequence) {
  SIMULATED_BOARD Board(FreshSetup());
  HOST_PORT_SPACE_SCOPE Scope(Board);
  EXPECT_EQ(UartInit(), EFI_SUCCESS);
  EXPECT_TRUE(TraceIs(
      Board.Trace(), Join({FreshPreInitTrace(),
                           {In8(IIR, 0x01), In8(LCR, 0x00), In8(LCR, 0x00), Out8(LCR, 0x80),
                            In8(DLM, 0x00), In8(DLL, 0x00), In8(LCR, 0x80), Out8(LCR, 0x00),
                            Out8(0x70, 0x6F), In8(0x71, 0x00), Out8(LCR, 0x80), Out8(DLM, 0x00),
                            Out8(DLL, 0x01), Out8(LCR, 0x03), Out8(FCR, 0x07), Out8(MCR, 0x00)}})));
  EXPECT_EQ(Board.UartDivisor(), 1);
  EXPECT_EQ(Board.UartLcr(), 0x03);
  EXPECT_TRUE(Board.UartFifosEnabled());
}

struct ALREADY_CASE {
  const char *Name;
  BOOLEAN FifosEnabled;
  UINT8 IirOtherBits;
  UINT8 Iir; // what IIR reads with that FIFO state and those bits
  UINT8 Lcr;
  UINT16 Divisor;
  UINT8 Cmos;
};

class UartInitAlreadyTest : public ::testing::TestWithParam<ALREADY_CASE> {};

// Only the LCR toggle around the divisor read and the CMOS index are written.
TEST_P(UartInitAlreadyTest, UartAtTheWantedSettingsIsNotReprogrammed) {
  const ALREADY_CASE &Case = GetParam();
  BOARD_SETUP Setup = WithDebugUartPlaced();
  Setup.UartFifosEnabled = Case.FifosEnabled;
  Setup.UartIirOtherBits = Case.IirOtherBits;
  Setup.UartLcr = Case.Lcr;
  Setup.UartDivisor = Case.Divisor;
  Setup.UartMcr = 0x0B;
  Setup.CmosBaudSelect = Case.Cmos;
  SIMULATED_BOARD Board(Setup);
  HOST_PORT_SPACE_SCOPE Scope(Board);
  EXPECT_EQ(UartInit(), EFI_SUCCESS);
  EXPECT_TRUE(TraceIs(
      Board.Trace(),
      Join({PlacedPreInitTrace(), UartCheckTrace(Case.Iir, Case.Lcr, Case.Divisor, Case.Cmos)})));
  EXPECT_EQ(Board.UartDivisor(), Case.Divisor);
  EXPECT_EQ(Board.UartLcr(), Case.Lcr & 0x7F);
  EXPECT_EQ(Board.UartMcr(), 0x0B);
  EXPECT_EQ(Board.UartFcr(), 0x00); // never written
  EXPECT_EQ(Board.UartFifosEnabled(), Case.FifosEnabled);
}

INSTANTIATE_TEST_SUITE_P(
    Settings, UartInitAlreadyTest,
    ::testing::Values(ALREADY_CASE{"FifosOn115200", TRUE, 0x00, 0xC1, 0x03, 1, 0x00},
                      ALREADY_CASE{"FifosOn9600", TRUE, 0x00, 0xC1, 0x03, 12, 0x30},
                      // Only IIR bits 0 and 5 are compared: FIFOs off, or bits
                      // 4..1 set, still match.
                      ALREADY_CASE{"FifosOff", FALSE, 0x00, 0x01, 0x03, 2, 0x10},
                      ALREADY_CASE{"IirBitsFourToOneSet", TRUE, 0x1E, 0xDF, 0x03, 1, 0x00},
                      // LCR bits 7..6 are not compared; DLAB ends cleared.
                      ALREADY_CASE{"DlabLeftSet", TRUE, 0x00, 0xC1, 0x83, 6, 0xA5},
                      ALREADY_CASE{"BreakSet", TRUE, 0x00, 0xC1, 0x43, 1, 0x40}),
    [](const auto &Info) { return std::string(Info.param.Name); });

struct SELECTOR_CASE {
  UINT8 Cmos;
  UINT16 Divisor;
};

class UartInitSelectorTest : public ::testing::TestWithParam<SELECTOR_CASE> {};

// Only bits 5..4 of CMOS 0x6F choose the rate: 115200, 57600, 19200, 9600.
TEST_P(UartInitSelectorTest, CmosBitsFiveAndFourChooseTheDivisor) {
  const SELECTOR_CASE &Case = GetParam();
  BOARD_SETUP Setup = WithDebugUartPlaced();
  Setup.CmosBaudSelect = Case.Cmos;
  SIMULATED_BOARD Board(Setup);
  HOST_PORT_SPACE_SCOPE Scope(Board);
  EXPECT_EQ(UartInit(), EFI_SUCCESS);
  EXPECT_TRUE(TraceIs(Board.Trace(),
                      Join({PlacedPreInitTrace(), UartCheckTrace(0x01, 0x00, 0x0000, Case.Cmos),
                            UartProgramTrace(Case.Divisor)})));
  EXPECT_EQ(Board.UartDivisor(), Case.Divisor);
  EXPECT_EQ(Board.UartLcr(), 0x03);
  EXPECT_EQ(Board.UartFcr(), 0x07);
  EXPECT_EQ(Board.UartMcr(), 0x00);
  EXPECT_FALSE(Board.CmosNmiMasked());
  EXPECT_EQ(Board.CmosRegister(0x6F), Case.Cmos); // only read
}

INSTANTIATE_TEST_SUITE_P(CmosValues, UartInitSelectorTest,
                         ::testing::Values(SELECTOR_CASE{0x00, 1}, SELECTOR_CASE{0x10, 2},
                                           SELECTOR_CASE{0x20, 6}, SELECTOR_CASE{0x30, 12},
                                           SELECTOR_CASE{0xA5, 6}, SELECTOR_CASE{0xCF, 1},
                                           SELECTOR_CASE{0x5A, 2}, SELECTOR_CASE{0xFF, 12}),
                         [](const auto &Info) { return "Cmos" + HexName(Info.param.Cmos); });

struct MISMATCH_CASE {
  const char *Name;
  UINT8 IirOtherBits;
  UINT8 Lcr;
  UINT16 Divisor;
};

class UartInitMismatchTest : public ::testing::TestWithParam<MISMATCH_CASE> {};

TEST_P(UartInitMismatchTest, AnyMismatchReprograms) {
  const MISMATCH_CASE &Case = GetParam();
  BOARD_SETUP Setup = WithDebugUartPlaced();
  Setup.UartFifosEnabled = TRUE;
  Setup.UartIirOtherBits = Case.IirOtherBits;
  Setup.UartLcr = Case.Lcr;
  Setup.UartDivisor = Case.Divisor;
  Setup.UartMcr = 0x0B;
  Setup.CmosBaudSelect = 0x30;
  SIMULATED_BOARD Board(Setup);
  HOST_PORT_SPACE_SCOPE Scope(Board);
  EXPECT_EQ(UartInit(), EFI_SUCCESS);
  EXPECT_TRUE(TraceIs(Board.Trace(),
                      Join({PlacedPreInitTrace(),
                            UartCheckTrace(0xC1 | Case.IirOtherBits, Case.Lcr, Case.Divisor, 0x30),
                            UartProgramTrace(12)})));
  EXPECT_EQ(Board.UartDivisor(), 12);
  EXPECT_EQ(Board.UartLcr(), 0x03);
  EXPECT_EQ(Board.UartMcr(), 0x00);
}

INSTANTIATE_TEST_SUITE_P(Settings, UartInitMismatchTest,
                         ::testing::Values(MISMATCH_CASE{"SevenDataBitsEvenParity", 0, 0x1B, 12},
                                           MISMATCH_CASE{"TwoStopBits", 0, 0x07, 12},
                                           MISMATCH_CASE{"WrongDivisor", 0, 0x03, 1},
                                           MISMATCH_CASE{"WrongDivisorHighByte", 0, 0x03, 0x010C},
                                           // All else as wanted: IIR bit 5 alone.
                                           MISMATCH_CASE{"IirBitFiveSet", 0x20, 0x03, 12}),
                         [](const auto &Info) { return std::string(Info.param.Name); });

} // namespace
