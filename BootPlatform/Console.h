// Polled text output on the UART at 0x3F8, at whatever line settings the UART
// has. It never programs the UART: the module under test owns that.
#pragma once

#include <Base.h>

VOID ConsoleChar(CHAR8 Character);

VOID ConsoleWrite(const CHAR8 *Text, UINTN Length);

// Formats with the platform's format engine (a newline goes out as CR LF) and
// sends the text; a line is cut at 255 characters.
VOID ConsolePrint(const CHAR8 *Format, ...);
