#include "UartSettings.h"

#include "Console.h"
#include "PortIo.h"

namespace {

constexpr UINT16 kUartBase = 0x3F8;
constexpr UINT16 kDivisorLow = kUartBase + 0;
constexpr UINT16 kDivisorHigh = kUartBase + 1;
constexpr UINT16 kInterruptId = kUartBase + 2;
constexpr UINT16 kLineControl = kUartBase + 3;
constexpr UINT16 kModemControl = kUartBase + 4;
constexpr UINT8 kDivisorLatchAccess = 0x80;
constexpr UINT32 kClock = 115200; // divisor 1
constexpr UINT16 kPciAddressPort = 0xCF8;
constexpr UINT16 kPciDataPort = 0xCFC;
constexpr UINT32 kLpcDecodeAddress = 0x80000000u | (31u << 11) | 0x80;

constexpr CHAR8 kParityLetters[] = "OEMS"; // LCR bits 5..4 with parity on

} // namespace

VOID ReadUartSettings(UART_SETTINGS *Settings) {
  BootOut32(kPciAddressPort, kLpcDecodeAddress);
  Settings->LpcDecode = BootIn32(kPciDataPort);
  Settings->InterruptId = BootIn8(kInterruptId);
  Settings->ModemControl = BootIn8(kModemControl);
  UINT8 LineControl = BootIn8(kLineControl);
  Settings->LineControl = LineControl;
  BootOut8(kLineControl, LineControl | kDivisorLatchAccess);
  UINT8 Low = BootIn8(kDivisorLow);
  UINT8 High = BootIn8(kDivisorHigh);
  BootOut8(kLineControl, LineControl);
  Settings->Divisor = (UINT16)(High << 8 | Low);
}

VOID ReportUartSettings(const UART_SETTINGS *Settings) {
  UINT8 Lcr = Settings->LineControl;
  UINT32 DataBits = 5 + (Lcr & 0x03);
  ConsoleText("[boot] lpc decode (0:31.0 register 0x80): ");
  ConsoleHex(Settings->LpcDecode, 8);
  ConsoleLine("");
  ConsoleText("[boot] uart 0x3F8: LCR ");
  ConsoleHex(Lcr, 2);
  ConsoleChar(' ');
  ConsoleDecimal(DataBits);
  ConsoleChar('-');
  ConsoleChar((Lcr & 0x08) != 0 ? kParityLetters[(Lcr >> 4) & 0x03] : 'N');
  ConsoleChar('-');
  ConsoleText((Lcr & 0x04) == 0 ? "1" : (DataBits == 5 ? "1.5" : "2"));
  ConsoleText(", divisor ");
  ConsoleHex(Settings->Divisor, 4);
  if (Settings->Divisor != 0) {
    ConsoleText(" (");
    ConsoleDecimal(kClock / Settings->Divisor);
    ConsoleText(" baud)");
  }
  ConsoleText(", IIR ");
  ConsoleHex(Settings->InterruptId, 2);
  ConsoleText(", MCR ");
  ConsoleHex(Settings->ModemControl, 2);
  ConsoleLine("");
}
