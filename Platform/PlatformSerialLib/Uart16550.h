// Registers and bits of the 16550 debug UART, as offsets from UART_BASE.
#pragma once

#include <Library/SerialPortLib.h>

constexpr UINT16 UART_THR = UART_BASE + 0; // transmit holding (write, DLAB clear)
constexpr UINT16 UART_DLL = UART_BASE + 0; // divisor latch low (DLAB set)
constexpr UINT16 UART_DLM = UART_BASE + 1; // divisor latch high (DLAB set)
constexpr UINT16 UART_IIR = UART_BASE + 2; // interrupt identification (read)
constexpr UINT16 UART_FCR = UART_BASE + 2; // FIFO control (write)
constexpr UINT16 UART_LCR = UART_BASE + 3;
constexpr UINT16 UART_MCR = UART_BASE + 4;
constexpr UINT16 UART_LSR = UART_BASE + 5;

constexpr UINT8 LCR_DLAB = 0x80;
constexpr UINT8 LCR_LINE_SETTINGS = 0x3F; // word length, stop bits, parity
constexpr UINT8 LCR_8N1 = 0x03;
// IIR bit 0 (no interrupt pending) and bit 5; the rest is not compared.
constexpr UINT8 IIR_SETTINGS_MASK = 0x21;
constexpr UINT8 IIR_SETTINGS_WANTED = 0x01;
constexpr UINT8 IIR_FIFOS_ENABLED = 0xC0;
constexpr UINT8 FCR_ENABLE_AND_CLEAR_FIFOS = 0x07;
constexpr UINT8 MCR_ALL_OFF = 0x00;
constexpr UINT8 LSR_TRANSMITTER_EMPTY = 0x40; // FIFO and shift register both empty

constexpr UINTN UART_FIFO_DEPTH = 16;

// The baud rate of divisor 1: the divisor is this over the baud rate.
constexpr UINT32 UART_CLOCK_BAUD = 115200;
