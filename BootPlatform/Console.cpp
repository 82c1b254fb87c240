#include "Console.h"

#include "Uart16550.h"

#include <Library/DebugLib.h>
#include <Library/IoLib.h>

namespace {

// Bounds the wait on a UART that never drains (or is absent).
constexpr UINT32 MAX_POLLS = 1000000;

} // namespace

VOID ConsoleChar(CHAR8 Character) {
  // An exception can strike while the divisor latch is open; the byte must go
  // to the transmitter, not into the divisor, so close it for the write only.
  UINT8 LineControl = PortIn8(UART_LCR);
  if ((LineControl & LCR_DLAB) != 0) {
    PortOut8(UART_LCR, LineControl & (UINT8)~LCR_DLAB);
  }
  for (UINT32 Poll = 0; Poll < MAX_POLLS; ++Poll) {
    if ((PortIn8(UART_LSR) & LSR_TRANSMITTER_EMPTY) != 0) {
      break;
    }
  }
  PortOut8(UART_THR, (UINT8)Character);
  if ((LineControl & LCR_DLAB) != 0) {
    PortOut8(UART_LCR, LineControl);
  }
}

VOID ConsoleWrite(const CHAR8 *Text, UINTN Length) {
  for (UINTN Index = 0; Index < Length; ++Index) {
    ConsoleChar(Text[Index]);
  }
}

VOID ConsolePrint(const CHAR8 *Format, ...) {
  LOG_LINE Line;
  VA_LIST Arguments;
  VA_START(Arguments, Format);
  FormatLogLine(&Line, Format, Arguments);
  VA_END(Arguments);
  ConsoleWrite(Line.Text, Line.Length);
}
