// GUIDs compared byte by byte: a GUID in flash or in a dependency expression
// need not be aligned like EFI_GUID.
#pragma once

#include <Uefi/UefiBaseType.h>

inline BOOLEAN SameGuid(const VOID *Left, const VOID *Right) {
  const UINT8 *A = static_cast<const UINT8 *>(Left);
  const UINT8 *B = static_cast<const UINT8 *>(Right);
  for (UINTN Index = 0; Index < sizeof(EFI_GUID); ++Index) {
    if (A[Index] != B[Index]) {
      return FALSE;
    }
  }
  return TRUE;
}
