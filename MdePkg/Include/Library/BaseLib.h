// String length, unaligned loads, 64-by-32 division and the breakpoint.
#pragma once

#include <Base.h>

// Number of bytes before the NUL. A null String is reported and counts as 0.
UINTN AsciiLength(const CHAR8 *String);

// Loads that do not require Buffer to be aligned. A null Buffer is reported
// and reads as 0.
UINT16 ReadUnaligned16(const UINT16 *Buffer);
UINT32 ReadUnaligned32(const UINT32 *Buffer);

// Dividend / Divisor with the remainder stored through Remainder (if not null),
// built from two 32-bit divisions. A zero Divisor is reported and yields 0.
UINT64 DivU64x32Remainder(UINT64 Dividend, UINT32 Divisor, UINT32 *Remainder);

// Raises the processor breakpoint trap and returns when it is resumed.
VOID CpuBreakpoint(VOID);
