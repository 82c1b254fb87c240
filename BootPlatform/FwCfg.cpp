#include "FwCfg.h"

#include <Library/IoLib.h>

namespace {

constexpr UINT16 SELECTOR_PORT = 0x510;
constexpr UINT16 DATA_PORT = 0x511;
constexpr UINT16 SIGNATURE_ITEM = 0x0000;
constexpr UINT16 FILE_DIRECTORY_ITEM = 0x0019;
constexpr UINT32 FILE_NAME_SIZE = 56;

// The device's integers are big-endian.
UINT32 ReadBigEndian(UINT32 Bytes) {
  UINT32 Value = 0;
  for (UINT32 Index = 0; Index < Bytes; ++Index) {
    Value = (Value << 8) | PortIn8(DATA_PORT);
  }
  return Value;
}

BOOLEAN DevicePresent() {
  constexpr CHAR8 SIGNATURE[] = "QEMU";
  PortOut16(SELECTOR_PORT, SIGNATURE_ITEM);
  for (UINT32 Index = 0; Index < 4; ++Index) {
    if (PortIn8(DATA_PORT) != (UINT8)SIGNATURE[Index]) {
      return FALSE;
    }
  }
  return TRUE;
}

// Reads one directory entry's name and tells whether it equals Name.
BOOLEAN NextNameMatches(const CHAR8 *Name) {
  BOOLEAN Same = TRUE;
  BOOLEAN Ended = FALSE;
  for (UINT32 Index = 0; Index < FILE_NAME_SIZE; ++Index) {
    CHAR8 Character = (CHAR8)PortIn8(DATA_PORT);
    if (Ended) {
      continue;
    }
    if (Character != *Name) {
      Same = FALSE;
    }
    if (Character == '\0' || *Name == '\0') {
      Ended = TRUE;
    } else {
      ++Name;
    }
  }
  return Same && Ended;
}

} // namespace

BOOLEAN FwCfgReadFile(const CHAR8 *Name, CHAR8 *Buffer, UINT32 Capacity) {
  if (Capacity == 0 || !DevicePresent()) {
    return FALSE;
  }
  PortOut16(SELECTOR_PORT, FILE_DIRECTORY_ITEM);
  UINT32 Count = ReadBigEndian(4);
  for (UINT32 Entry = 0; Entry < Count; ++Entry) {
    UINT32 Size = ReadBigEndian(4);
    UINT16 Select = (UINT16)ReadBigEndian(2);
    (VOID) ReadBigEndian(2); // reserved
    if (!NextNameMatches(Name)) {
      continue;
    }
    PortOut16(SELECTOR_PORT, Select);
    UINT32 Length = Size < Capacity - 1 ? Size : Capacity - 1;
    for (UINT32 Index = 0; Index < Length; ++Index) {
      Buffer[Index] = (CHAR8)PortIn8(DATA_PORT);
    }
    Buffer[Length] = '\0';
    return TRUE;
  }
  return FALSE;
}
