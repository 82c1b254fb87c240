#include "SimulatedCmos.h"

SIMULATED_CMOS::SIMULATED_CMOS(uint8_t BaudSelect) {
  Ram[BAUD_SELECT] = BaudSelect;
}

bool SIMULATED_CMOS::Claims(uint16_t Port, uint8_t Width) const {
  return Width == 1 && (Port == INDEX_PORT || Port == DATA_PORT);
}

uint32_t SIMULATED_CMOS::Read(uint16_t Port, uint8_t Width) {
  (void)Width;
  return Port == DATA_PORT ? Ram[Index] : 0xFF;
}

void SIMULATED_CMOS::Write(uint16_t Port, uint8_t Width, uint32_t Value) {
  (void)Width;
  uint8_t Byte = static_cast<uint8_t>(Value);
  if (Port == INDEX_PORT) {
    Index = Byte & INDEX_MASK;
    NmiMask = (Byte & NMI_MASK_BIT) != 0;
  } else {
    Ram[Index] = Byte;
  }
}
