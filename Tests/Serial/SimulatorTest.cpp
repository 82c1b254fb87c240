// The simulated board's device models, driven through its port interface.
#include "SerialTraces.h"

#include <gtest/gtest.h>

namespace {

TEST(SimulatorTest, FormatsAccessesAsDocumented) {
  EXPECT_EQ(FormatAccess(Out8(0x370, 0x07)), "out8  0x0370 <- 0x07");
  EXPECT_EQ(FormatAccess(In8(0x371, 0x01)), "in8   0x0371 -> 0x01");
  EXPECT_EQ(FormatAccess(Out32(0xCF8, 0x8000F880)), "out32 0x0CF8 <- 0x8000F880");
  EXPECT_EQ(FormatTrace({Out8(0x70, 0x6F), In8(0x71, 0x30)}),
            "out8  0x0070 <- 0x6F\nin8   0x0071 -> 0x30\n");
}

TEST(SimulatorTest, UnclaimedPortsAreAnOpenBusAndStillRecorded) {
  SIMULATED_BOARD Board;
  Board.Out(0x80, 1, 0x12);
  EXPECT_EQ(Board.In(0x80, 1), 0xFFu);
  EXPECT_EQ(Board.In(0x2F8, 4), 0xFFFFFFFFu);
  // The byte-wide devices do not answer 32-bit accesses, nor PCI 8-bit ones.
  EXPECT_EQ(Board.In(0x371, 4), 0xFFFFFFFFu);
  EXPECT_EQ(Board.In(0xCFC, 1), 0xFFu);
  EXPECT_TRUE(TraceIs(Board.Trace(), {Out8(0x80, 0x12),
                                      In8(0x80, 0xFF),
                                      {FALSE, 4, 0x2F8, ~0u},
                                      {FALSE, 4, 0x371, ~0u},
                                      In8(0xCFC, 0xFF)}));
  Board.ClearTrace();
  EXPECT_TRUE(Board.Trace().empty());
}

TEST(SimulatorTest, PciMechanismOneReachesOnlyTheLpcBridge) {
  SIMULATED_BOARD Board;
  Board.Out(0xCF8, 4, 0x8000F880);
  Board.Out(0xCFC, 4, 0x040B1010);
  EXPECT_EQ(Board.In(0xCFC, 4), 0x040B1010u);
  EXPECT_EQ(Board.In(0xCF8, 4), 0x8000F880u);
  EXPECT_EQ(Board.PciConfig(0, 31, 0, 0x80), 0x040B1010u);
  EXPECT_EQ(Board.PciConfig(0, 31, 0, 0x84), 0u);

  // Another function, or the enable bit clear: nothing there.
  Board.Out(0xCF8, 4, 0x8000F980);
  Board.Out(0xCFC, 4, 0x11111111);
  EXPECT_EQ(Board.In(0xCFC, 4), 0xFFFFFFFFu);
  Board.Out(0xCF8, 4, 0x0000F880);
  Board.Out(0xCFC, 4, 0x22222222);
  EXPECT_EQ(Board.In(0xCFC, 4), 0xFFFFFFFFu);
  EXPECT_EQ(Board.PciConfig(0, 31, 1, 0x80), 0xFFFFFFFFu);
  EXPECT_EQ(Board.PciConfig(0, 31, 0, 0x80), 0x040B1010u);
}

TEST(SimulatorTest, SuperIoKeepsRegistersPerLogicalDevice) {
  BOARD_SETUP Setup;
  Setup.SioRegisters[3][0x60] = 0x03;
  Setup.SioSelectedDevice = 3;
  SIMULATED_BOARD Board(Setup);
  Board.Out(0x370, 1, 0x60);
  EXPECT_EQ(Board.In(0x371, 1), 0x03u);
  Board.Out(0x370, 1, 0x07);
  Board.Out(0x371, 1, 0x02);
  EXPECT_EQ(Board.In(0x371, 1), 0x02u); // register 0x07 reads the selection
  Board.Out(0x370, 1, 0x60);
  EXPECT_EQ(Board.In(0x371, 1), 0x00u);
  Board.Out(0x371, 1, 0x02);
  EXPECT_EQ(Board.SioRegister(2, 0x60), 0x02);
  EXPECT_EQ(Board.SioRegister(3, 0x60), 0x03);
  EXPECT_EQ(Board.SioSelectedDevice(), 0x02);
}

TEST(SimulatorTest, CmosIndexBitSevenIsTheNmiMask) {
  BOARD_SETUP Setup;
  Setup.CmosBaudSelect = 0xA5;
  SIMULATED_BOARD Board(Setup);
  Board.Out(0x70, 1, 0xEF);
  EXPECT_TRUE(Board.CmosNmiMasked());
  EXPECT_EQ(Board.In(0x71, 1), 0xA5u);
  Board.Out(0x70, 1, 0x6F);
  EXPECT_FALSE(Board.CmosNmiMasked());
  Board.Out(0x71, 1, 0x30);
  EXPECT_EQ(Board.CmosRegister(0x6F), 0x30);
  EXPECT_EQ(Board.In(0x70, 1), 0xFFu); // the index port is write-only
}

TEST(SimulatorTest, UartDivisorLatchSitsBehindDlab) {
  BOARD_SETUP Setup;
  Setup.UartDivisor = 0x0102;
  SIMULATED_BOARD Board(Setup);
  Board.Out(0x3FB, 1, 0x83);
  EXPECT_EQ(Board.In(0x3F9, 1), 0x01u);
  EXPECT_EQ(Board.In(0x3F8, 1), 0x02u);
  Board.Out(0x3F8, 1, 0x0C);
  Board.Out(0x3F9, 1, 0x00);
  Board.Out(0x3FB, 1, 0x03);
  Board.Out(0x3F8, 1, 'A'); // DLAB clear: THR
  EXPECT_EQ(Board.UartDivisor(), 12);
  EXPECT_EQ(Board.UartLcr(), 0x03);
  EXPECT_EQ(Board.UartTransmitted(), std::vector<UINT8>{'A'});
}

struct FIFO_CASE {
  BOOLEAN EnabledAtStart;
  BOOLEAN Broken;
  UINT8 IirAtStart;
  UINT8 FcrWritten;
  UINT8 IirAfter;
};

class SimulatorFifoTest : public ::testing::TestWithParam<FIFO_CASE> {};

TEST_P(SimulatorFifoTest, IirShowsTheFifoState) {
  const FIFO_CASE &Case = GetParam();
  BOARD_SETUP Setup;
  Setup.UartFifosEnabled = Case.EnabledAtStart;
  Setup.UartFifosBroken = Case.Broken;
  SIMULATED_BOARD Board(Setup);
  EXPECT_EQ(Board.In(0x3FA, 1), Case.IirAtStart);
  Board.Out(0x3FA, 1, Case.FcrWritten);
  EXPECT_EQ(Board.In(0x3FA, 1), Case.IirAfter);
  EXPECT_EQ(Board.UartFcr(), Case.FcrWritten);
}

INSTANTIATE_TEST_SUITE_P(States, SimulatorFifoTest,
                         ::testing::Values(FIFO_CASE{FALSE, FALSE, 0x01, 0x07, 0xC1},
                                           FIFO_CASE{TRUE, FALSE, 0xC1, 0x00, 0x01},
                                           FIFO_CASE{FALSE, TRUE, 0x01, 0x07, 0x01},
                                           FIFO_CASE{TRUE, TRUE, 0x01, 0x07, 0x01}),
                         [](const auto &Info) {
                           return std::string(Info.param.EnabledAtStart ? "On" : "Off") +
                                  (Info.param.Broken ? "Broken" : "Working");
                         });

TEST(SimulatorTest, BusyTransmitterClearsBothEmptyBitsForNReadsAfterEachByte) {
  BOARD_SETUP Setup;
  Setup.UartBusyReads = 2;
  SIMULATED_BOARD Board(Setup);
  EXPECT_EQ(Board.In(0x3FD, 1), 0x60u); // idle until something is sent
  Board.Out(0x3F8, 1, 'x');
  EXPECT_EQ(Board.In(0x3FD, 1), 0x00u);
  Board.Out(0x3F8, 1, 'y'); // a new byte starts the count again
  EXPECT_EQ(Board.In(0x3FD, 1), 0x00u);
  EXPECT_EQ(Board.In(0x3FD, 1), 0x00u);
  EXPECT_EQ(Board.In(0x3FD, 1), 0x60u);
  EXPECT_EQ(Board.UartTransmitted(), (std::vector<UINT8>{'x', 'y'}));
}

} // namespace
