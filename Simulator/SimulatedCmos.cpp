#include "SimulatedCmos.h"

SIMULATED_CMOS::SIMULATED_CMOS(UINT8 BaudSelect) {
  Ram[BAUD_SELECT] = BaudSelect;
}

bool SIMULATED_CMOS::Claims(UINT16 Port, UINT8 Width) const {
  return Width == 1 && (Port == INDEX_PORT || Port == DATA_PORT);
}

UINT32 SIMULATED_CMOS::Read(UINT16 Port, UINT8 Width) {
  (VOID) Width;
  return Port == DATA_PORT ? Ram[Index] : 0xFF;
}

VOID SIMULATED_CMOS::Write(UINT16 Port, UINT8 Width, UINT32 Value) {
  (VOID) Width;
  UINT8 Byte = static_cast<UINT8>(Value);
  if (Port == INDEX_PORT) {
    Index = Byte & INDEX_MASK;
    NmiMask = (Byte & NMI_MASK_BIT) != 0;
  } else {
    Ram[Index] = Byte;
  }
}
