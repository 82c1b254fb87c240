// The serial console's hardware as it reads back after the module ran: the
// LPC decode register and the UART's line settings.
#pragma once

#include <Base.h>

typedef struct {
  UINT32 LpcDecode; // LPC bridge (bus 0, device 31) register 0x80, which opens the decode
  UINT8 LineControl;
  UINT16 Divisor; // read through the divisor latch
  UINT8 InterruptId;
  UINT8 ModemControl;
} UART_SETTINGS;

// Opens the divisor latch for the read and restores LCR afterwards.
VOID ReadUartSettings(UART_SETTINGS *Settings);

// "[boot] lpc decode (0:31.0 register 0x80): 0x040B1010" and
// "[boot] uart 0x3F8: LCR 0x03 8-N-1, divisor 0x0006 (19200 baud), IIR 0xC1, MCR 0x00"
VOID ReportUartSettings(const UART_SETTINGS *Settings);
