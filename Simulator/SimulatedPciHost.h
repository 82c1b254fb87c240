// PCI configuration mechanism #1 (address latch 0xCF8, data 0xCFC, 32-bit
// accesses) with one function behind it: the LPC bridge at 0:31.0, whose
// 256-byte configuration space keeps whatever is written to it. Every other
// function is absent: its reads give all ones and its writes vanish.
#pragma once

#include "SimulatedDevice.h"

#include <array>

class SIMULATED_PCI_HOST : public SIMULATED_DEVICE {
public:
  static constexpr uint16_t ADDRESS_PORT = 0xCF8;
  static constexpr uint16_t DATA_PORT = 0xCFC;
  static constexpr uint32_t LPC_BRIDGE_ADDRESS = 0x8000F800; // bus 0, device 31, function 0

  bool Claims(uint16_t Port, uint8_t Width) const override;
  uint32_t Read(uint16_t Port, uint8_t Width) override;
  void Write(uint16_t Port, uint8_t Width, uint32_t Value) override;

  // The dword holding Register (its low two bits are ignored); all ones for an
  // absent function.
  uint32_t ConfigDword(uint8_t Bus, uint8_t Device, uint8_t Function, uint8_t Register) const;

private:
  uint32_t AddressLatch = 0;
  std::array<uint32_t, 64> LpcBridge{};
};
