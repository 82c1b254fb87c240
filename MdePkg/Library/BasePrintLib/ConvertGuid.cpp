// '%g': a GUID in its 8-4-4-4-12 form: the digits that
// "%08x-%04x-%04x-%02x%02x-%02x%02x%02x%02x%02x%02x" prints of its fields.
#include "PrintLibInternal.h"

namespace {

// The GUID's bytes in the order the text shows them (Data1, Data2 and Data3
// are little-endian), read one at a time so that the GUID may lie at any
// alignment. Bit 7 marks a byte that a dash follows.
constexpr UINT8 DASH_AFTER = 0x80;
constexpr UINT8 Dash(UINT8 Byte) {
  return Byte | DASH_AFTER;
}
constexpr UINT8 GuidTextOrder[16] = {3, 2,       1,  Dash(0), 5,  Dash(4), 7,  Dash(6),
                                     8, Dash(9), 10, 11,      12, 13,      14, 15};
static_assert(OFFSET_OF(EFI_GUID, Data2) == 4 && OFFSET_OF(EFI_GUID, Data3) == 6 &&
                  OFFSET_OF(EFI_GUID, Data4) == 8,
              "the byte order above follows the GUID's layout");

} // namespace

const CHAR8 *ConvertGuid(const EFI_GUID *Guid, CHAR8 *Scratch) {
  if (Guid == nullptr) {
    return "<null guid>";
  }
  const UINT8 *Bytes = reinterpret_cast<const UINT8 *>(Guid);
  CHAR8 *Text = Scratch;
  // One iteration's code serves all sixteen bytes.
#pragma clang loop unroll(disable)
  for (UINT8 Entry : GuidTextOrder) {
    Text = WriteDigits(Text, Bytes[Entry & 0xF], 2, 16);
    if ((Entry & DASH_AFTER) != 0) {
      *Text++ = '-';
    }
  }
  *Text = 0;
  return Scratch;
}
