// The format engine: printf-style text into a caller's bounded 8-bit buffer.
#pragma once

#include <Base.h>

// Formats into Buffer, writing at most BufferSize - 1 characters and a NUL.
// Returns the number of characters written, not counting the NUL.
UINTN FormatWorker(CHAR8 *Buffer, UINTN BufferSize, const CHAR8 *Format, VA_LIST Arguments);
UINTN FormatToBuffer(CHAR8 *Buffer, UINTN BufferSize, const CHAR8 *Format, ...);
