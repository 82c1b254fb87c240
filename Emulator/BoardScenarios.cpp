#include "BoardScenarios.h"

#include <Library/SerialPortLib.h>

namespace TolvernEmu {

BOARD_SETUP FreshBoard(uint8_t CmosBaudSelect) {
  BOARD_SETUP Setup;
  Setup.CmosBaudSelect = CmosBaudSelect;
  return Setup;
}

void ConfigureUart(BOARD_SETUP &Setup) {
  Setup.UartLcr = 0x03;
  Setup.UartDivisor = UartDivisorForSelector(Setup.CmosBaudSelect);
  Setup.UartFifosEnabled = true;
}

void ActivateSioUarts(BOARD_SETUP &Setup) {
  Setup.SioRegisters[3][SIO_ACTIVATE_REGISTER] = 0x01;
  Setup.SioRegisters[2][SIO_ACTIVATE_REGISTER] = 0x01;
}

BOARD_SETUP ConfiguredBoard(uint8_t CmosBaudSelect) {
  BOARD_SETUP Setup = FreshBoard(CmosBaudSelect);
  ConfigureUart(Setup);
  ActivateSioUarts(Setup);
  return Setup;
}

} // namespace TolvernEmu
