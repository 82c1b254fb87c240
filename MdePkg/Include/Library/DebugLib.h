// Level-filtered debug messages and assertion reports on the debug UART.
#pragma once

#include <Library/PrintLib.h>

#define DEBUG_ERROR 0x80000000u
#define DEBUG_BUFFER_SIZE 256

// Messages print only when their level shares a bit with this mask.
extern const UINT32 DebugLevelMask;

VOID DebugMessage(UINT32 Level, const CHAR8 *Format, ...);

// Sends "ASSERT <file>(<line>): <expression>" and CR LF, raises the breakpoint
// and returns to the caller, which carries on.
VOID AssertReport(const CHAR8 *FileName, UINT32 LineNumber, const CHAR8 *Expression);

// A line of a PEIM's own log (the boot platform's, the flash-map consumer's):
// formatted as a debug message is, into DEBUG_BUFFER_SIZE characters, but
// with no level to filter it and left to the caller to send or keep.
typedef struct {
  CHAR8 Text[DEBUG_BUFFER_SIZE];
  UINTN Length; // characters before the NUL; at most DEBUG_BUFFER_SIZE - 1
} LOG_LINE;

inline VOID FormatLogLine(LOG_LINE *Line, const CHAR8 *Format, VA_LIST Arguments) {
  Line->Length = FormatWorker(Line->Text, sizeof(Line->Text), Format, Arguments);
}
