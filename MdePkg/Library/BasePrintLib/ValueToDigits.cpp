// A value's digits, least significant first, so that the output stage reads
// them backwards in place instead of reversing a copy.
#include "PrintLibInternal.h"

#include <Library/BaseLib.h>

namespace {
// Upper case only: 'x' and 'X' print the same digits.
constexpr CHAR8 DigitTable[] = "0123456789ABCDEF";
static_assert(sizeof(DigitTable) == 17, "one digit per value of a hexadecimal place");
static_assert(VALUE_BUFFER_SIZE >= 1 + 20, "a NUL and the 20 decimal digits of a 64-bit value");
} // namespace

CHAR8 *ValueToDigits(CHAR8 *Scratch, UINT64 Value, UINT32 Radix) {
  CHAR8 *Digit = Scratch;
  *Digit = 0;
  if (Radix == 16) {
    // A power of two: shifting gives the digits the division would.
    do {
      *++Digit = DigitTable[Value & 0xF];
      Value >>= 4;
    } while (Value != 0);
    return Digit;
  }
  // The 64-by-32 division while the value needs it (and for any radix but 10;
  // a zero radix is reported by the division, which then gives 0 and ends the loop).
  while (Radix != 10 || (Value >> 32) != 0) {
    UINT32 Remainder;
    Value = DivU64x32Remainder(Value, Radix, &Remainder);
    *++Digit = DigitTable[Remainder];
    if (Value == 0) {
      return Digit;
    }
  }
  // The rest in 32 bits, by a constant the compiler divides without a DIV.
  UINT32 Rest = static_cast<UINT32>(Value);
  do {
    *++Digit = DigitTable[Rest % 10];
    Rest /= 10;
  } while (Rest != 0);
  return Digit;
}
