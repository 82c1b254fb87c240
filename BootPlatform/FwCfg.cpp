#include "FwCfg.h"

#include "PortIo.h"

namespace {

constexpr UINT16 kSelectorPort = 0x510;
constexpr UINT16 kDataPort = 0x511;
constexpr UINT16 kSignatureItem = 0x0000;
constexpr UINT16 kFileDirectoryItem = 0x0019;
constexpr UINT32 kFileNameSize = 56;

// The device's integers are big-endian.
UINT32 ReadBigEndian(UINT32 Bytes) {
  UINT32 Value = 0;
  for (UINT32 Index = 0; Index < Bytes; ++Index) {
    Value = (Value << 8) | BootIn8(kDataPort);
  }
  return Value;
}

BOOLEAN DevicePresent() {
  constexpr CHAR8 kSignature[] = "QEMU";
  BootOut16(kSelectorPort, kSignatureItem);
  for (UINT32 Index = 0; Index < 4; ++Index) {
    if (BootIn8(kDataPort) != (UINT8)kSignature[Index]) {
      return FALSE;
    }
  }
  return TRUE;
}

// Reads one directory entry's name and tells whether it equals Name.
BOOLEAN NextNameMatches(const CHAR8 *Name) {
  BOOLEAN Same = TRUE;
  BOOLEAN Ended = FALSE;
  for (UINT32 Index = 0; Index < kFileNameSize; ++Index) {
    CHAR8 Character = (CHAR8)BootIn8(kDataPort);
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
  BootOut16(kSelectorPort, kFileDirectoryItem);
  UINT32 Count = ReadBigEndian(4);
  for (UINT32 Entry = 0; Entry < Count; ++Entry) {
    UINT32 Size = ReadBigEndian(4);
    UINT16 Select = (UINT16)ReadBigEndian(2);
    (VOID) ReadBigEndian(2); // reserved
    if (!NextNameMatches(Name)) {
      continue;
    }
    BootOut16(kSelectorPort, Select);
    UINT32 Length = Size < Capacity - 1 ? Size : Capacity - 1;
    for (UINT32 Index = 0; Index < Length; ++Index) {
      Buffer[Index] = (CHAR8)BootIn8(kDataPort);
    }
    Buffer[Length] = '\0';
    return TRUE;
  }
  return FALSE;
}
