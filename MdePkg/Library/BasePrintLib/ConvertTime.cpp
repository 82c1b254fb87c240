// '%t': month/day/year, two spaces, hour:minute, as "%02d/%02d/%04d  %02d:%02d"
// would print them.
#include "PrintLibInternal.h"

namespace {

struct TIME_FIELD {
  UINT8 Offset;       // in EFI_TIME; Year, at 0, is the one 16-bit field
  UINT8 Digits;       // at least this many, with zeros in front
  CHAR8 Separator[3]; // written after the field
};

constexpr TIME_FIELD TimeFields[] = {
    {OFFSET_OF(EFI_TIME, Month), 2, "/"}, {OFFSET_OF(EFI_TIME, Day), 2, "/"},
    {OFFSET_OF(EFI_TIME, Year), 4, "  "}, {OFFSET_OF(EFI_TIME, Hour), 2, ":"},
    {OFFSET_OF(EFI_TIME, Minute), 2, ""},
};
static_assert(OFFSET_OF(EFI_TIME, Year) == 0, "the 16-bit field is the first");

} // namespace

const CHAR8 *ConvertTime(const EFI_TIME *Time, CHAR8 *Scratch) {
  if (Time == nullptr) {
    return "<null time>";
  }
  const UINT8 *Bytes = reinterpret_cast<const UINT8 *>(Time);
  CHAR8 *Text = Scratch;
  for (const TIME_FIELD &Field : TimeFields) {
    UINT32 Value = Field.Offset == 0 ? Time->Year : Bytes[Field.Offset];
    Text = WriteDigits(Text, Value, Field.Digits, 10);
    for (const CHAR8 *Separator = Field.Separator; *Separator != 0; ++Separator) {
      *Text++ = *Separator;
    }
  }
  *Text = 0;
  return Scratch;
}
