#include "UartSettings.h"

#include "Console.h"
#include "PortIo.h"

namespace {

constexpr UINT16 UART_BASE = 0x3F8;
constexpr UINT16 DIVISOR_LOW = UART_BASE + 0;
constexpr UINT16 DIVISOR_HIGH = UART_BASE + 1;
constexpr UINT16 INTERRUPT_ID = UART_BASE + 2;
constexpr UINT16 LINE_CONTROL = UART_BASE + 3;
constexpr UINT16 MODEM_CONTROL = UART_BASE + 4;
constexpr UINT8 DIVISOR_LATCH_ACCESS = 0x80;
constexpr UINT32 CLOCK = 115200; // divisor 1
constexpr UINT16 PCI_ADDRESS_PORT = 0xCF8;
constexpr UINT16 PCI_DATA_PORT = 0xCFC;
constexpr UINT32 LPC_DECODE_ADDRESS = 0x80000000u | (31u << 11) | 0x80;

constexpr CHAR8 PARITY_LETTERS[] = "OEMS"; // LCR bits 5..4 with parity on

} // namespace

VOID ReadUartSettings(UART_SETTINGS *Settings) {
  BootOut32(PCI_ADDRESS_PORT, LPC_DECODE_ADDRESS);
  Settings->LpcDecode = BootIn32(PCI_DATA_PORT);
  Settings->InterruptId = BootIn8(INTERRUPT_ID);
  Settings->ModemControl = BootIn8(MODEM_CONTROL);
  UINT8 LineControl = BootIn8(LINE_CONTROL);
  Settings->LineControl = LineControl;
  BootOut8(LINE_CONTROL, LineControl | DIVISOR_LATCH_ACCESS);
  UINT8 Low = BootIn8(DIVISOR_LOW);
  UINT8 High = BootIn8(DIVISOR_HIGH);
  BootOut8(LINE_CONTROL, LineControl);
  Settings->Divisor = (UINT16)(High << 8 | Low);
}

VOID ReportUartSettings(const UART_SETTINGS *Settings) {
  UINT8 Lcr = Settings->LineControl;
  UINT32 DataBits = 5 + (Lcr & 0x03);
  ConsolePrint("[boot] lpc decode (0:31.0 register 0x80): 0x%08X\n", Settings->LpcDecode);
  ConsolePrint("[boot] uart 0x3F8: LCR 0x%02X %d-%c-%a, divisor 0x%04X", Lcr, DataBits,
               (Lcr & 0x08) != 0 ? PARITY_LETTERS[(Lcr >> 4) & 0x03] : 'N',
               (Lcr & 0x04) == 0 ? "1" : (DataBits == 5 ? "1.5" : "2"), Settings->Divisor);
  if (Settings->Divisor != 0) {
    ConsolePrint(" (%d baud)", CLOCK / Settings->Divisor);
  }
  ConsolePrint(", IIR 0x%02X, MCR 0x%02X\n", Settings->InterruptId, Settings->ModemControl);
}
