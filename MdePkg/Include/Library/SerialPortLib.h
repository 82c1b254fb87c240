// The debug serial console: the 16550 UART at 0x3F8 and its platform set-up.
#pragma once

#include <Uefi/UefiBaseType.h>

#define UART_BASE 0x3F8

// LPC decode, super I/O fix-ups and, when neither UART is active, their placement.
EFI_STATUS SerialPlatformPreInit(VOID);

// The module's library constructor: platform set-up, then 8-N-1 at the CMOS-selected
// baud rate unless the UART already runs with exactly those settings.
EFI_STATUS UartInit(VOID);

// Sends Count bytes in bursts of at most 16. Returns Count, or 0 when Buffer is
// null, Count is 0 (a flush: waits for the transmitter to empty) or the FIFOs are off.
UINTN UartWrite(const UINT8 *Buffer, UINTN Count);
