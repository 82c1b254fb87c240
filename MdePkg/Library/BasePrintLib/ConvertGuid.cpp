// '%g': a GUID in its 8-4-4-4-12 form. The GUID may lie at any alignment.
#include "PrintLibInternal.h"

#include <Library/BaseLib.h>

const CHAR8 *ConvertGuid(const EFI_GUID *Guid, CHAR8 *Scratch) {
  if (Guid == nullptr) {
    return "<null guid>";
  }
  // Field addresses come from a byte pointer: the GUID itself may be misaligned.
  // The digits are those of "%08x-%04x-%04x-%02x%02x-%02x%02x%02x%02x%02x%02x".
  const UINT8 *Bytes = reinterpret_cast<const UINT8 *>(Guid);
  CHAR8 *Text = WriteDigits(
      Scratch,
      ReadUnaligned32(reinterpret_cast<const UINT32 *>(Bytes + OFFSET_OF(EFI_GUID, Data1))), 8, 16);
  *Text++ = '-';
  Text = WriteDigits(
      Text, ReadUnaligned16(reinterpret_cast<const UINT16 *>(Bytes + OFFSET_OF(EFI_GUID, Data2))),
      4, 16);
  *Text++ = '-';
  Text = WriteDigits(
      Text, ReadUnaligned16(reinterpret_cast<const UINT16 *>(Bytes + OFFSET_OF(EFI_GUID, Data3))),
      4, 16);
  const UINT8 *Data4 = Bytes + OFFSET_OF(EFI_GUID, Data4);
  for (UINTN Index = 0; Index < 8; ++Index) {
    if (Index == 0 || Index == 2) {
      *Text++ = '-';
    }
    Text = WriteDigits(Text, Data4[Index], 2, 16);
  }
  *Text = 0;
  return Scratch;
}
