// The diagnostics' only output path: bytes straight from the caller's buffer
// to the UART, one transmitter-empty wait per FIFO-sized burst.
#include "Uart16550.h"

#include <Library/IoLib.h>

namespace {

// No time-out: a UART that never drains blocks the caller.
VOID WaitTransmitterEmpty() {
  while ((PortIn8(UART_LSR) & LSR_TRANSMITTER_EMPTY) == 0) {
  }
}

} // namespace

UINTN UartWrite(const UINT8 *Buffer, UINTN Count) {
  if (Buffer == nullptr) {
    return 0;
  }
  if (Count == 0) {
    WaitTransmitterEmpty();
    return 0;
  }

  UINTN Remaining = Count;
  while (Remaining > 0) {
    if ((PortIn8(UART_IIR) & IIR_FIFOS_ENABLED) == 0) {
      return 0;
    }
    WaitTransmitterEmpty();
    UINTN Burst = Remaining < UART_FIFO_DEPTH ? Remaining : UART_FIFO_DEPTH;
    Remaining -= Burst;
    while (Burst-- > 0) {
      PortOut8(UART_THR, *Buffer++);
    }
  }
  return Count;
}
