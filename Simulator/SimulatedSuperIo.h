// A super I/O chip configured through an index port (0x370) and a data port
// (0x371). Register 0x07 selects the logical device and reads back the
// selection; every other register belongs to the selected logical device and
// keeps whatever is written to it.
#pragma once

#include "SimulatedDevice.h"

#include <array>

typedef std::array<std::array<uint8_t, 256>, 256> SIO_REGISTER_FILE;

class SIMULATED_SUPER_IO : public SIMULATED_DEVICE {
public:
  static constexpr uint16_t INDEX_PORT = 0x370;
  static constexpr uint16_t DATA_PORT = 0x371;
  static constexpr uint8_t LOGICAL_DEVICE_SELECT = 0x07;

  SIMULATED_SUPER_IO(const SIO_REGISTER_FILE &Registers, uint8_t SelectedDevice);

  bool Claims(uint16_t Port, uint8_t Width) const override;
  uint32_t Read(uint16_t Port, uint8_t Width) override;
  void Write(uint16_t Port, uint8_t Width, uint32_t Value) override;

  uint8_t Register(uint8_t LogicalDevice, uint8_t Register) const;
  uint8_t SelectedDevice() const { return Selected; }

private:
  SIO_REGISTER_FILE Registers;
  uint8_t Selected;
  uint8_t Index = 0;
};
