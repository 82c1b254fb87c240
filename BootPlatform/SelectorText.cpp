#include "SelectorText.h"

namespace {

INT32 DigitValue(CHAR8 Character, UINT32 Radix) {
  INT32 Value = -1;
  if (Character >= '0' && Character <= '9') {
    Value = Character - '0';
  } else if (Character >= 'a' && Character <= 'f') {
    Value = Character - 'a' + 10;
  } else if (Character >= 'A' && Character <= 'F') {
    Value = Character - 'A' + 10;
  }
  return Value >= 0 && (UINT32)Value < Radix ? Value : -1;
}

BOOLEAN IsSpace(CHAR8 Character) {
  return Character == ' ' || Character == '\t' || Character == '\r' || Character == '\n';
}

} // namespace

BOOLEAN ParseSelectorText(const CHAR8 *Text, UINT8 *Value) {
  UINT32 Radix = 10;
  if (Text[0] == '0' && (Text[1] == 'x' || Text[1] == 'X')) {
    Radix = 16;
    Text += 2;
  }
  UINT32 Result = 0;
  UINT32 Digits = 0;
  for (; DigitValue(*Text, Radix) >= 0; ++Text) {
    Result = Result * Radix + (UINT32)DigitValue(*Text, Radix);
    if (Result > 0xFF) {
      return FALSE;
    }
    ++Digits;
  }
  while (IsSpace(*Text)) {
    ++Text;
  }
  if (Digits == 0 || *Text != '\0') {
    return FALSE;
  }
  *Value = (UINT8)Result;
  return TRUE;
}
