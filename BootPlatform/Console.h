// Polled text output on the UART at 0x3F8, at whatever line settings the UART
// has. It never programs the UART: the module under test owns that.
#pragma once

#include <Uefi/UefiBaseType.h>

VOID ConsoleChar(CHAR8 Character);
VOID ConsoleText(const CHAR8 *Text);
// "0x" and Digits upper-case hexadecimal digits.
VOID ConsoleHex(UINT32 Value, UINT32 Digits);
VOID ConsoleDecimal(UINT32 Value);
// {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}
VOID ConsoleGuid(const EFI_GUID *Guid);
// Ends the line with CR LF.
VOID ConsoleLine(const CHAR8 *Text);
