#include "SimulatedPciHost.h"

#include <Library/IoLib.h>

namespace {
constexpr UINT32 ENABLE_BIT = 0x80000000;
// Enable, bus, device, function; bits 7..2 select the dword.
constexpr UINT32 FUNCTION_MASK = 0x80FFFF00;
constexpr UINT32 DWORD_MASK = 0xFC;
// Bits 30..24 and 1..0 of the latch are reserved and read as 0.
constexpr UINT32 LATCH_MASK = FUNCTION_MASK | DWORD_MASK;
constexpr UINT32 ABSENT = 0xFFFFFFFF;
} // namespace

bool SIMULATED_PCI_HOST::Claims(UINT16 Port, UINT8 Width) const {
  return Width == 4 && (Port == PCI_CONFIG_ADDRESS_PORT || Port == PCI_CONFIG_DATA_PORT);
}

UINT32 SIMULATED_PCI_HOST::Read(UINT16 Port, UINT8 Width) {
  (VOID) Width;
  if (Port == PCI_CONFIG_ADDRESS_PORT) {
    return AddressLatch;
  }
  if ((AddressLatch & FUNCTION_MASK) != LPC_BRIDGE_ADDRESS) {
    return ABSENT;
  }
  return LpcBridge[(AddressLatch & DWORD_MASK) / 4];
}

VOID SIMULATED_PCI_HOST::Write(UINT16 Port, UINT8 Width, UINT32 Value) {
  (VOID) Width;
  if (Port == PCI_CONFIG_ADDRESS_PORT) {
    AddressLatch = Value & LATCH_MASK;
  } else if ((AddressLatch & FUNCTION_MASK) == LPC_BRIDGE_ADDRESS) {
    LpcBridge[(AddressLatch & DWORD_MASK) / 4] = Value;
  }
}

UINT32 SIMULATED_PCI_HOST::ConfigDword(UINT8 Bus, UINT8 Device, UINT8 Function,
                                       UINT8 Register) const {
  UINT32 Address = ENABLE_BIT | (UINT32{Bus} << 16) | (UINT32{Device & 0x1Fu} << 11) |
                   (UINT32{Function & 0x07u} << 8);
  if (Address != LPC_BRIDGE_ADDRESS) {
    return ABSENT;
  }
  return LpcBridge[(Register & DWORD_MASK) / 4];
}
