// The diagnostics' only output path: bytes straight from the caller's buffer
// to the UART, one transmitter-empty wait per FIFO-sized burst.
#include "Uart16550.h"

#include <Library/IoLib.h>

// Line status polls before a wait gives up; the build may set it for
// bringing up a board (cmake/BuildOptions.cmake). 0 waits for ever.
#ifndef TOLVERN_UART_WAIT_LIMIT
#define TOLVERN_UART_WAIT_LIMIT 0
#endif

namespace {

constexpr UINT32 UartWaitLimit = TOLVERN_UART_WAIT_LIMIT;

// False when the wait gave up before the transmitter showed empty.
BOOLEAN WaitTransmitterEmpty() {
  if constexpr (UartWaitLimit == 0) {
    // No time-out: a UART that never drains blocks the caller.
    while ((PortIn8(UART_LSR) & LSR_TRANSMITTER_EMPTY) == 0) {
    }
    return TRUE;
  } else {
    for (UINT32 Polls = 0; Polls < UartWaitLimit; ++Polls) {
      if ((PortIn8(UART_LSR) & LSR_TRANSMITTER_EMPTY) != 0) {
        return TRUE;
      }
    }
    return FALSE;
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
    if (!WaitTransmitterEmpty()) {
      return Count - Remaining; // the bursts that went out before the UART stuck
    }
    UINTN Burst = Remaining < UART_FIFO_DEPTH ? Remaining : UART_FIFO_DEPTH;
    Remaining -= Burst;
    while (Burst-- > 0) {
      PortOut8(UART_THR, *Buffer++);
    }
  }
  return Count;
}
