#include "UartSettings.h"

#include "Console.h"
#include "LpcDecode.h"
#include "Uart16550.h"

#include <Library/IoLib.h>
#include <Library/SerialPortLib.h>

namespace {

constexpr CHAR8 PARITY_LETTERS[] = "OEMS"; // LCR bits 5..4 with parity on

} // namespace

VOID ReadUartSettings(UART_SETTINGS *Settings) {
  PortOut32(PCI_CONFIG_ADDRESS_PORT,
            PciConfigAddress(LPC_BUS, LPC_DEVICE, LPC_FUNCTION, LPC_IO_DECODE));
  Settings->LpcDecode = PortIn32(PCI_CONFIG_DATA_PORT);
  Settings->InterruptId = PortIn8(UART_IIR);
  Settings->ModemControl = PortIn8(UART_MCR);
  UINT8 LineControl = PortIn8(UART_LCR);
  Settings->LineControl = LineControl;
  PortOut8(UART_LCR, LineControl | LCR_DLAB);
  UINT8 Low = PortIn8(UART_DLL);
  UINT8 High = PortIn8(UART_DLM);
  PortOut8(UART_LCR, LineControl);
  Settings->Divisor = (UINT16)(High << 8 | Low);
}

VOID ReportUartSettings(const UART_SETTINGS *Settings) {
  UINT8 Lcr = Settings->LineControl;
  UINT32 DataBits = 5 + (Lcr & 0x03);
  ConsolePrint("[boot] lpc decode (%d:%d.%d register 0x%02X): 0x%08X\n", LPC_BUS, LPC_DEVICE,
               LPC_FUNCTION, LPC_IO_DECODE, Settings->LpcDecode);
  ConsolePrint("[boot] uart 0x%03X: LCR 0x%02X %d-%c-%a, divisor 0x%04X", UART_BASE, Lcr, DataBits,
               (Lcr & 0x08) != 0 ? PARITY_LETTERS[(Lcr >> 4) & 0x03] : 'N',
               (Lcr & 0x04) == 0 ? "1" : (DataBits == 5 ? "1.5" : "2"), Settings->Divisor);
  if (Settings->Divisor != 0) {
    ConsolePrint(" (%d baud)", UART_CLOCK_BAUD / Settings->Divisor);
  }
  ConsolePrint(", IIR 0x%02X, MCR 0x%02X\n", Settings->InterruptId, Settings->ModemControl);
}
