// Level-filtered debug messages and assertion reports on the debug UART.
#pragma once

#include <Base.h>

#define DEBUG_ERROR 0x80000000u
#define DEBUG_BUFFER_SIZE 256

// Messages print only when their level shares a bit with this mask.
extern const UINT32 DebugLevelMask;

VOID DebugMessage(UINT32 Level, const CHAR8 *Format, ...);

// Sends "ASSERT <file>(<line>): <expression>" and CR LF, raises the breakpoint
// and returns to the caller, which carries on.
VOID AssertReport(const CHAR8 *FileName, UINT32 LineNumber, const CHAR8 *Expression);
