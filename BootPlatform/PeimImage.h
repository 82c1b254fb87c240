// Whether a PEIM's PE32 section can be entered where it lies in flash, found
// the way a PEI Foundation finds it: through the PE header (e_lfanew, then
// the machine, ImageBase and AddressOfEntryPoint).
#pragma once

#include <PiPei.h>

typedef EFI_STATUS (*PEIM_ENTRY_POINT)(EFI_PEI_FILE_HANDLE FileHandle,
                                       const EFI_PEI_SERVICES **PeiServices);

typedef struct {
  UINT32 Base;
  UINT32 EntryPoint;
  UINT32 SizeOfImage;
} PEIM_IMAGE;

// Returns nullptr and fills Image when the Size bytes at Data are an IA32 PE32
// image linked for exactly that address (nothing here applies relocations)
// whose whole image lies inside them; otherwise why not.
const CHAR8 *CheckPeimImage(const UINT8 *Data, UINT32 Size, PEIM_IMAGE *Image);
