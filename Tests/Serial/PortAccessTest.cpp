// The checked 32-bit write and the PCI configuration write, on the simulated board.
#include "SerialTraces.h"

#include <Library/IoLib.h>

#include <gtest/gtest.h>

namespace {

TEST(PortAccessTest, PciConfigWriteToTheLpcBridgeIsAddressThenData) {
  for (UINT32 Value : {0x040B1010u, 0x00000000u, 0xFFFFFFFFu}) {
    SIMULATED_BOARD Board;
    HOST_PORT_SPACE_SCOPE Scope(Board);
    PciConfigWrite32(0, 31, 0, 0x80, Value);
    EXPECT_TRUE(TraceIs(Board.Trace(), {Out32(0xCF8, 0x8000F880), Out32(0xCFC, Value)}));
    EXPECT_EQ(Board.PciConfig(0, 31, 0, 0x80), Value);
  }
}

TEST(PortAccessTest, PciConfigAddressPlacesEachField) {
  struct {
    UINT8 Bus, Device, Function, Register;
    UINT32 Address;
  } const Cases[] = {
      {0, 0, 0, 0x00, 0x80000000}, {1, 2, 3, 0x10, 0x80011310}, {255, 31, 7, 0xFC, 0x80FFFFFC}};
  for (const auto &Case : Cases) {
    SIMULATED_BOARD Board;
    HOST_PORT_SPACE_SCOPE Scope(Board);
    PciConfigWrite32(Case.Bus, Case.Device, Case.Function, Case.Register, 0x5A5A5A5A);
    EXPECT_TRUE(TraceIs(Board.Trace(), {Out32(0xCF8, Case.Address), Out32(0xCFC, 0x5A5A5A5A)}));
  }
}

// The whole trace is the one write: an aligned port is never reported. The
// misaligned one is tested with its assertion site (Tests/Diagnostics).
TEST(PortAccessTest, PortOut32ReturnsTheValueItWrote) {
  SIMULATED_BOARD Board;
  HOST_PORT_SPACE_SCOPE Scope(Board);
  EXPECT_EQ(PortOut32(0xCFC, 0x12345678), 0x12345678u);
  EXPECT_TRUE(TraceIs(Board.Trace(), {Out32(0xCFC, 0x12345678)}));
}

} // namespace
