// The format engine's internals: one element's state, the bounded writer and
// the value conversions that turn numbers, GUIDs, times and statuses into text.
#pragma once

#include <Library/PrintLib.h>
#include <Uefi/UefiBaseType.h>

// Scratch for one element's digits or text, on the stack of each FormatWorker
// call: a GUID's 36 characters and a NUL, or a NUL and the 20 decimal digits
// of a 64-bit value with their 6 thousands separators.
#define VALUE_BUFFER_SIZE 38

// Element flags. Those a directive's flag characters set fit in 8 bits; those
// from RADIX_HEX on are set by conversions only.
#define LEFT_JUSTIFY 0x0001u
#define SHOW_PLUS 0x0002u
#define SHOW_BLANK 0x0004u
#define GROUP_THOUSANDS 0x0008u
#define LONG_VALUE 0x0010u
#define ZERO_FILL 0x0020u
#define PRECISION_GIVEN 0x0040u
#define WIDTH_GIVEN 0x0080u
#define RADIX_HEX 0x0100u
#define WIDE_ARGUMENT 0x0200u // argument text is 16-bit units
#define NUMBER_TEXT 0x0400u   // argument text is a digit string read backwards
#define POINTER_VALUE 0x0800u // '%p': one unsigned pointer-sized slot

// What one plain character or directive contributes before padding. Widths,
// precisions and counts are 32-bit as on the board and accumulate with
// wrapping arithmetic. A width is signed (a negative one pads nothing);
// counts and precisions compare unsigned, padding up to a precision is their
// difference read as a signed length, and the width pads around what that
// writes.
typedef struct {
  UINT32 Flags;
  UINT32 Width;
  UINT32 Precision;
  UINT32 Count;
  CHAR8 Prefix;     // sign or blank of a number, 0 for none
  const VOID *Text; // wide or 8-bit string, or a number's most significant digit
} PRINT_ELEMENT;

// Writes Character Length times, stopping at End; a Length of zero or less
// writes nothing. Returns the position after the last character written.
CHAR8 *FillChars(CHAR8 *Buffer, const CHAR8 *End, INT32 Length, CHAR8 Character);

// Stores a NUL at Scratch[0], then Value's digits in Radix (10 or 16), least
// significant first, with Separator (unless it is 0) after every third digit
// that more digits follow. Returns the position of the most significant digit.
CHAR8 *ValueToDigits(CHAR8 *Scratch, UINT64 Value, UINT32 Radix, CHAR8 Separator);

// Writes Value in Radix (10 or 16), most significant digit first and with at
// least MinDigits digits (zeros in front). Returns the position after them.
CHAR8 *WriteDigits(CHAR8 *Text, UINT32 Value, UINT32 MinDigits, UINT32 Radix);

// 'd', 'x', 'X' and 'p' after the fetch: digits and separators in Scratch,
// then count, prefix and zero fill settled for the output stage.
VOID ConvertInteger(PRINT_ELEMENT *Element, UINT64 Value, CHAR8 *Scratch);

// 'g', 't' and 'r': 8-bit text, either a fixed text or built in Scratch.
const CHAR8 *ConvertGuid(const EFI_GUID *Guid, CHAR8 *Scratch);
const CHAR8 *ConvertTime(const EFI_TIME *Time, CHAR8 *Scratch);
const CHAR8 *ConvertStatus(EFI_STATUS Status, CHAR8 *Scratch);

// StatusNameTable: names of the warnings 0..4, then of the errors 1..24 (bit
// 31 set). Index must be below STATUS_NAME_COUNT.
#define STATUS_WARNING_NAMES 5
#define STATUS_ERROR_NAMES 24
#define STATUS_NAME_COUNT (STATUS_WARNING_NAMES + STATUS_ERROR_NAMES)
const CHAR8 *StatusName(UINT32 Index);
