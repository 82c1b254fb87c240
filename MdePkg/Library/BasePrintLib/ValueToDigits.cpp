// A value's digits, least significant first, so that the output stage reads
// them backwards in place instead of reversing a copy.
#include "PrintLibInternal.h"

#include <Library/BaseLib.h>

namespace {
// Upper case only: 'x' and 'X' print the same digits.
constexpr CHAR8 DigitTable[] = "0123456789ABCDEF";
static_assert(VALUE_BUFFER_SIZE >= 1 + 20 + 6,
              "a NUL, the 20 decimal digits of a 64-bit value and their separators");
} // namespace

// Out of line: the integer conversions and WriteDigits share it.
__attribute__((noinline)) CHAR8 *ValueToDigits(CHAR8 *Scratch, UINT64 Value, UINT32 Radix,
                                               CHAR8 Separator) {
  CHAR8 *Digit = Scratch;
  *Digit = 0;
  // A zero radix is reported by the 64-by-32 division, which then gives 0 and
  // ends the loop.
  do {
    // Digits go to places 1 to 3, 5 to 7 and so on: a separator to each
    // fourth place, when a digit follows it.
    if (((++Digit - Scratch) & 3) == 0 && Separator != 0) {
      *Digit++ = Separator;
    }
    UINT32 Remainder;
    if ((Value >> 32) == 0 && Radix != 0) {
      // Most values fit 32 bits: one 32-bit division instead of the two of
      // the 64-by-32 one.
      UINT32 Low = static_cast<UINT32>(Value);
      Remainder = Low % Radix;
      Value = Low / Radix;
    } else {
      Value = DivU64x32Remainder(Value, Radix, &Remainder);
    }
    *Digit = DigitTable[Remainder];
  } while (Value != 0);
  return Digit;
}

CHAR8 *WriteDigits(CHAR8 *Text, UINT32 Value, UINT32 MinDigits, UINT32 Radix) {
  CHAR8 Digits[1 + 32]; // a NUL and a 32-bit value's digits in any radix from 2 up
  CHAR8 *Digit = ValueToDigits(Digits, Value, Radix, 0);
  for (UINT32 Count = static_cast<UINT32>(Digit - Digits); Count < MinDigits; ++Count) {
    *Text++ = '0';
  }
  // Backwards down to the NUL in front of the least significant digit.
  while (*Digit != 0) {
    *Text++ = *Digit--;
  }
  return Text;
}
