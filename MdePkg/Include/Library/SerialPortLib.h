// The debug serial console: the 16550 UART at 0x3F8 and its platform set-up.
#pragma once

#include <Uefi/UefiBaseType.h>

#define UART_BASE 0x3F8

// Bits 5..4 of CMOS register 0x6F choose the UART's baud rate; the divisor for
// each selector value gives 115200, 57600, 19200 and 9600 baud.
#define UART_BAUD_SELECT_CMOS_REGISTER 0x6F
#define UART_BAUD_SELECT_MASK 0x30
#define UART_BAUD_SELECT_SHIFT 4
inline constexpr UINT8 UartDivisorBySelect[] = {1, 2, 6, 12};
static_assert(sizeof UartDivisorBySelect == (UART_BAUD_SELECT_MASK >> UART_BAUD_SELECT_SHIFT) + 1,
              "one divisor per selector value");

// The divisor a CMOS 0x6F value asks for.
constexpr UINT8 UartDivisorForSelector(UINT8 CmosValue) {
  return UartDivisorBySelect[(CmosValue & UART_BAUD_SELECT_MASK) >> UART_BAUD_SELECT_SHIFT];
}

// LPC decode, super I/O fix-ups and, when neither UART is active, their placement.
EFI_STATUS SerialPlatformPreInit(VOID);

// The module's library constructor: platform set-up, then 8-N-1 at the CMOS-selected
// baud rate unless the UART already runs with exactly those settings.
EFI_STATUS UartInit(VOID);

// Sends Count bytes in bursts of at most 16. Returns Count, or 0 when Buffer is
// null, Count is 0 (a flush: waits for the transmitter to empty) or the FIFOs are off.
UINTN UartWrite(const UINT8 *Buffer, UINTN Count);
