// The CMOS RAM behind index port 0x70 and data port 0x71: 128 bytes. Bit 7 of
// an index write is the NMI mask and takes no part in the index. The index
// port is write-only, as on the classic part: reading it gives all ones.
#pragma once

#include "SimulatedDevice.h"

#include <array>

class SIMULATED_CMOS : public SIMULATED_DEVICE {
public:
  static constexpr uint16_t INDEX_PORT = 0x70;
  static constexpr uint16_t DATA_PORT = 0x71;
  static constexpr uint8_t BAUD_SELECT = 0x6F;

  explicit SIMULATED_CMOS(uint8_t BaudSelect);

  bool Claims(uint16_t Port, uint8_t Width) const override;
  uint32_t Read(uint16_t Port, uint8_t Width) override;
  void Write(uint16_t Port, uint8_t Width, uint32_t Value) override;

  uint8_t Register(uint8_t Index) const { return Ram[Index & INDEX_MASK]; }
  bool NmiMasked() const { return NmiMask; }

private:
  static constexpr uint8_t NMI_MASK_BIT = 0x80;
  static constexpr uint8_t INDEX_MASK = 0x7F;
  std::array<uint8_t, 128> Ram{};
  uint8_t Index = 0;
  bool NmiMask = false;
};
