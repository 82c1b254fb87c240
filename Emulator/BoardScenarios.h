// Board states the emulator's users start the image on, by name.
#pragma once

#include <SimulatedBoard.h>

namespace TolvernEmu {

#define SIO_ACTIVATE_REGISTER 0x30

// The UART divisor that a CMOS baud selector asks for (bits 5..4 of the byte).
constexpr uint16_t DivisorForCmos(uint8_t CmosBaudSelect) {
  constexpr uint16_t Divisors[4] = {1, 2, 6, 12}; // 115200, 57600, 19200, 9600 baud
  return Divisors[(CmosBaudSelect >> 4) & 3];
}
static_assert(DivisorForCmos(0x00) == 1 && DivisorForCmos(0xA5) == 6 && DivisorForCmos(0x30) == 12,
              "only bits 5..4 select the baud rate");

// Power-on state: UART unprogrammed (LCR 0, divisor 0, FIFOs off), both
// super I/O UARTs inactive.
BOARD_SETUP FreshBoard(uint8_t CmosBaudSelect);

// The UART at 8-N-1 with the divisor Setup's CMOS selector asks for, FIFOs on.
void ConfigureUart(BOARD_SETUP &Setup);

// Both super I/O UARTs (logical devices 3 and 2) active.
void ActivateSioUarts(BOARD_SETUP &Setup);

// What a previous stage leaves behind: both of the above.
BOARD_SETUP ConfiguredBoard(uint8_t CmosBaudSelect);

} // namespace TolvernEmu
