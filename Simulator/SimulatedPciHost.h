// PCI configuration mechanism #1 (address latch 0xCF8, data 0xCFC, 32-bit
// accesses) with one function behind it: the LPC bridge at 0:31.0, whose
// 256-byte configuration space keeps whatever is written to it. Every other
// function is absent: its reads give all ones and its writes vanish.
#pragma once

#include "SimulatedDevice.h"

#include <array>

class SIMULATED_PCI_HOST : public SIMULATED_DEVICE {
public:
  static constexpr UINT32 LPC_BRIDGE_ADDRESS = 0x8000F800; // bus 0, device 31, function 0

  bool Claims(UINT16 Port, UINT8 Width) const override;
  UINT32 Read(UINT16 Port, UINT8 Width) override;
  VOID Write(UINT16 Port, UINT8 Width, UINT32 Value) override;

  // The dword holding Register (its low two bits are ignored); all ones for an
  // absent function.
  UINT32 ConfigDword(UINT8 Bus, UINT8 Device, UINT8 Function, UINT8 Register) const;

private:
  UINT32 AddressLatch = 0;
  std::array<UINT32, 64> LpcBridge{};
};
