// '%g': a GUID in its 8-4-4-4-12 form. The GUID may lie at any alignment.
#include "PrintLibInternal.h"

#include <Library/BaseLib.h>

const CHAR8 *ConvertGuid(const EFI_GUID *Guid, CHAR8 *Scratch) {
  if (Guid == nullptr) {
    return "<null guid>";
  }
  // Field addresses come from a byte pointer: the GUID itself may be misaligned.
  const UINT8 *Bytes = reinterpret_cast<const UINT8 *>(Guid);
  const UINT8 *Data4 = Bytes + OFFSET_OF(EFI_GUID, Data4);
  FormatToBuffer(
      Scratch, VALUE_BUFFER_SIZE, "%08x-%04x-%04x-%02x%02x-%02x%02x%02x%02x%02x%02x",
      ReadUnaligned32(reinterpret_cast<const UINT32 *>(Bytes + OFFSET_OF(EFI_GUID, Data1))),
      ReadUnaligned16(reinterpret_cast<const UINT16 *>(Bytes + OFFSET_OF(EFI_GUID, Data2))),
      ReadUnaligned16(reinterpret_cast<const UINT16 *>(Bytes + OFFSET_OF(EFI_GUID, Data3))),
      Data4[0], Data4[1], Data4[2], Data4[3], Data4[4], Data4[5], Data4[6], Data4[7]);
  return Scratch;
}
