#include "SimulatedSuperIo.h"

SIMULATED_SUPER_IO::SIMULATED_SUPER_IO(const SIO_REGISTER_FILE &StartRegisters,
                                       uint8_t SelectedDevice)
    : Registers(StartRegisters), Selected(SelectedDevice) {}

bool SIMULATED_SUPER_IO::Claims(uint16_t Port, uint8_t Width) const {
  return Width == 1 && (Port == INDEX_PORT || Port == DATA_PORT);
}

uint32_t SIMULATED_SUPER_IO::Read(uint16_t Port, uint8_t Width) {
  (void)Width;
  if (Port == INDEX_PORT) {
    return Index;
  }
  return Register(Selected, Index);
}

void SIMULATED_SUPER_IO::Write(uint16_t Port, uint8_t Width, uint32_t Value) {
  (void)Width;
  uint8_t Byte = static_cast<uint8_t>(Value);
  if (Port == INDEX_PORT) {
    Index = Byte;
  } else if (Index == LOGICAL_DEVICE_SELECT) {
    Selected = Byte;
  } else {
    Registers[Selected][Index] = Byte;
  }
}

uint8_t SIMULATED_SUPER_IO::Register(uint8_t LogicalDevice, uint8_t Number) const {
  if (Number == LOGICAL_DEVICE_SELECT) {
    return Selected;
  }
  return Registers[LogicalDevice][Number];
}
