#include "SimulatedPciHost.h"

namespace {
constexpr uint32_t ENABLE_BIT = 0x80000000;
// Enable, bus, device, function; bits 7..2 select the dword.
constexpr uint32_t FUNCTION_MASK = 0x80FFFF00;
constexpr uint32_t DWORD_MASK = 0xFC;
// Bits 30..24 and 1..0 of the latch are reserved and read as 0.
constexpr uint32_t LATCH_MASK = FUNCTION_MASK | DWORD_MASK;
constexpr uint32_t ABSENT = 0xFFFFFFFF;
} // namespace

bool SIMULATED_PCI_HOST::Claims(uint16_t Port, uint8_t Width) const {
  return Width == 4 && (Port == ADDRESS_PORT || Port == DATA_PORT);
}

uint32_t SIMULATED_PCI_HOST::Read(uint16_t Port, uint8_t Width) {
  (void)Width;
  if (Port == ADDRESS_PORT) {
    return AddressLatch;
  }
  if ((AddressLatch & FUNCTION_MASK) != LPC_BRIDGE_ADDRESS) {
    return ABSENT;
  }
  return LpcBridge[(AddressLatch & DWORD_MASK) / 4];
}

void SIMULATED_PCI_HOST::Write(uint16_t Port, uint8_t Width, uint32_t Value) {
  (void)Width;
  if (Port == ADDRESS_PORT) {
    AddressLatch = Value & LATCH_MASK;
  } else if ((AddressLatch & FUNCTION_MASK) == LPC_BRIDGE_ADDRESS) {
    LpcBridge[(AddressLatch & DWORD_MASK) / 4] = Value;
  }
}

uint32_t SIMULATED_PCI_HOST::ConfigDword(uint8_t Bus, uint8_t Device, uint8_t Function,
                                         uint8_t Register) const {
  uint32_t Address = ENABLE_BIT | (uint32_t{Bus} << 16) | (uint32_t{Device & 0x1Fu} << 11) |
                     (uint32_t{Function & 0x07u} << 8);
  if (Address != LPC_BRIDGE_ADDRESS) {
    return ABSENT;
  }
  return LpcBridge[(Register & DWORD_MASK) / 4];
}
