// A super I/O chip configured through an index port (0x370) and a data port
// (0x371). Register 0x07 selects the logical device and reads back the
// selection; every other register belongs to the selected logical device and
// keeps whatever is written to it.
#pragma once

#include "SimulatedDevice.h"

#include <array>

typedef std::array<std::array<UINT8, 256>, 256> SIO_REGISTER_FILE;

class SIMULATED_SUPER_IO : public SIMULATED_DEVICE {
public:
  static constexpr UINT16 INDEX_PORT = 0x370;
  static constexpr UINT16 DATA_PORT = 0x371;
  static constexpr UINT8 LOGICAL_DEVICE_SELECT = 0x07;

  SIMULATED_SUPER_IO(const SIO_REGISTER_FILE &Registers, UINT8 SelectedDevice);

  bool Claims(UINT16 Port, UINT8 Width) const override;
  UINT32 Read(UINT16 Port, UINT8 Width) override;
  VOID Write(UINT16 Port, UINT8 Width, UINT32 Value) override;

  UINT8 Register(UINT8 LogicalDevice, UINT8 Register) const;
  UINT8 SelectedDevice() const { return Selected; }

private:
  SIO_REGISTER_FILE Registers;
  UINT8 Selected;
  UINT8 Index = 0;
};
