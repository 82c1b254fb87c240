// Board states the emulator's users start the image on, by name.
#pragma once

#include <SimulatedBoard.h>

namespace TolvernEmu {

// The logical device's activate register in the super I/O's configuration space.
constexpr uint8_t SIO_ACTIVATE_REGISTER = 0x30;

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
