// The UART's line settings as the hardware reports them after the module ran.
#pragma once

#include <Base.h>

typedef struct {
  UINT8 LineControl;
  UINT16 Divisor; // read through the divisor latch
  UINT8 InterruptId;
  UINT8 ModemControl;
} UART_SETTINGS;

// Opens the divisor latch for the read and restores LCR afterwards.
VOID ReadUartSettings(UART_SETTINGS *Settings);

// "[boot] uart 0x3F8: LCR 0x03 8-N-1, divisor 0x0006 (19200 baud), IIR 0xC1, MCR 0x00"
VOID ReportUartSettings(const UART_SETTINGS *Settings);
