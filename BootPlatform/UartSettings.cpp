#include "UartSettings.h"

#include "Console.h"
#include "PortIo.h"
#include "Uart16550.h"

#include <Library/IoLib.h>

namespace {

constexpr UINT32 CLOCK = 115200; // divisor 1
constexpr UINT32 LPC_DECODE_ADDRESS = 0x80000000u | (31u << 11) | 0x80;

constexpr CHAR8 PARITY_LETTERS[] = "OEMS"; // LCR bits 5..4 with parity on

} // namespace

VOID ReadUartSettings(UART_SETTINGS *Settings) {
  BootOut32(PCI_CONFIG_ADDRESS_PORT, LPC_DECODE_ADDRESS);
  Settings->LpcDecode = BootIn32(PCI_CONFIG_DATA_PORT);
  Settings->InterruptId = BootIn8(UART_IIR);
  Settings->ModemControl = BootIn8(UART_MCR);
  UINT8 LineControl = BootIn8(UART_LCR);
  Settings->LineControl = LineControl;
  BootOut8(UART_LCR, LineControl | LCR_DLAB);
  UINT8 Low = BootIn8(UART_DLL);
  UINT8 High = BootIn8(UART_DLM);
  BootOut8(UART_LCR, LineControl);
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
