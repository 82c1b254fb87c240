// The integer conversions 'd', 'x', 'X' and 'p' once their value is fetched.
#include "PrintLibInternal.h"

VOID ConvertInteger(PRINT_ELEMENT *Element, UINT64 Value, CHAR8 *Scratch) {
  UINT32 Flags = Element->Flags;
  UINT32 Precision = Element->Precision;
  CHAR8 Prefix = 0;
  if ((Flags & SHOW_BLANK) != 0) {
    Prefix = ' ';
  }
  if ((Flags & SHOW_PLUS) != 0) {
    Prefix = '+';
  }

  UINT32 Radix = 16;
  CHAR8 Separator = 0;
  if ((Flags & RADIX_HEX) == 0) {
    Radix = 10;
    if ((Flags & GROUP_THOUSANDS) != 0) {
      Flags &= ~ZERO_FILL;
      Precision = 1;
      Separator = ',';
    }
    if (static_cast<INT64>(Value) < 0) {
      Prefix = '-';
      Value = 0 - Value; // unsigned, so the most negative value has a magnitude too
    }
  }

  // The separators take places of their own in the count.
  const CHAR8 *MostSignificant = ValueToDigits(Scratch, Value, Radix, Separator);
  UINT32 Count = static_cast<UINT32>(MostSignificant - Scratch);
  if (Value == 0 && Precision == 0) {
    Count = 0;
  }
  if (Prefix != 0) {
    ++Count;
    ++Precision;
  }
  Flags |= NUMBER_TEXT;
  // Zero fill pads up to the width, and a negative width (which pads nothing)
  // never becomes a precision.
  if ((Flags & (ZERO_FILL | LEFT_JUSTIFY | WIDTH_GIVEN | PRECISION_GIVEN)) ==
          (ZERO_FILL | WIDTH_GIVEN) &&
      static_cast<INT32>(Element->Width) >= 0) {
    Precision = Element->Width;
  }

  Element->Flags = Flags;
  Element->Precision = Precision;
  Element->Count = Count;
  Element->Prefix = Prefix;
  Element->Text = MostSignificant;
}
