#include "Console.h"

#include "PortIo.h"

namespace {

constexpr UINT16 UART_DATA = 0x3F8;
constexpr UINT16 UART_LINE_CONTROL = 0x3FB;
constexpr UINT16 UART_LINE_STATUS = 0x3FD;
constexpr UINT8 DIVISOR_LATCH_ACCESS = 0x80;
constexpr UINT8 TRANSMIT_HOLDING_EMPTY = 0x20;
// Bounds the wait on a UART that never drains (or is absent).
constexpr UINT32 MAX_POLLS = 1000000;

constexpr CHAR8 HEX_DIGITS[] = "0123456789ABCDEF";

} // namespace

VOID ConsoleChar(CHAR8 Character) {
  // An exception can strike while the divisor latch is open; the byte must go
  // to the transmitter, not into the divisor, so close it for the write only.
  UINT8 LineControl = BootIn8(UART_LINE_CONTROL);
  if ((LineControl & DIVISOR_LATCH_ACCESS) != 0) {
    BootOut8(UART_LINE_CONTROL, LineControl & (UINT8)~DIVISOR_LATCH_ACCESS);
  }
  for (UINT32 Poll = 0; Poll < MAX_POLLS; ++Poll) {
    if ((BootIn8(UART_LINE_STATUS) & TRANSMIT_HOLDING_EMPTY) != 0) {
      break;
    }
  }
  BootOut8(UART_DATA, (UINT8)Character);
  if ((LineControl & DIVISOR_LATCH_ACCESS) != 0) {
    BootOut8(UART_LINE_CONTROL, LineControl);
  }
}

VOID ConsoleText(const CHAR8 *Text) {
  for (; *Text != '\0'; ++Text) {
    if (*Text == '\n') {
      ConsoleChar('\r');
    }
    ConsoleChar(*Text);
  }
}

VOID ConsoleLine(const CHAR8 *Text) {
  ConsoleText(Text);
  ConsoleText("\n");
}

namespace {
VOID ConsoleHexDigits(UINT32 Value, UINT32 Digits) {
  for (UINT32 Index = Digits; Index > 0; --Index) {
    ConsoleChar(HEX_DIGITS[(Value >> ((Index - 1) * 4)) & 0xF]);
  }
}
} // namespace

VOID ConsoleHex(UINT32 Value, UINT32 Digits) {
  ConsoleText("0x");
  ConsoleHexDigits(Value, Digits);
}

VOID ConsoleDecimal(UINT32 Value) {
  CHAR8 Digits[10];
  UINT32 Count = 0;
  do {
    Digits[Count++] = (CHAR8)('0' + Value % 10);
    Value /= 10;
  } while (Value != 0);
  while (Count > 0) {
    ConsoleChar(Digits[--Count]);
  }
}

VOID ConsoleGuid(const EFI_GUID *Guid) {
  ConsoleChar('{');
  ConsoleHexDigits(Guid->Data1, 8);
  ConsoleChar('-');
  ConsoleHexDigits(Guid->Data2, 4);
  ConsoleChar('-');
  ConsoleHexDigits(Guid->Data3, 4);
  ConsoleChar('-');
  for (UINT32 Index = 0; Index < 8; ++Index) {
    if (Index == 2) {
      ConsoleChar('-');
    }
    ConsoleHexDigits(Guid->Data4[Index], 2);
  }
  ConsoleChar('}');
}
