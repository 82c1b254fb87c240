#include "SimulatedSuperIo.h"

SIMULATED_SUPER_IO::SIMULATED_SUPER_IO(const SIO_REGISTER_FILE &StartRegisters,
                                       UINT8 SelectedDevice)
    : Registers(StartRegisters), Selected(SelectedDevice) {}

bool SIMULATED_SUPER_IO::Claims(UINT16 Port, UINT8 Width) const {
  return Width == 1 && (Port == INDEX_PORT || Port == DATA_PORT);
}

UINT32 SIMULATED_SUPER_IO::Read(UINT16 Port, UINT8 Width) {
  (VOID) Width;
  if (Port == INDEX_PORT) {
    return Index;
  }
  return Register(Selected, Index);
}

VOID SIMULATED_SUPER_IO::Write(UINT16 Port, UINT8 Width, UINT32 Value) {
  (VOID) Width;
  UINT8 Byte = static_cast<UINT8>(Value);
  if (Port == INDEX_PORT) {
    Index = Byte;
  } else if (Index == LOGICAL_DEVICE_SELECT) {
    Selected = Byte;
  } else {
    Registers[Selected][Index] = Byte;
  }
}

UINT8 SIMULATED_SUPER_IO::Register(UINT8 LogicalDevice, UINT8 Number) const {
  if (Number == LOGICAL_DEVICE_SELECT) {
    return Selected;
  }
  return Registers[LogicalDevice][Number];
}
