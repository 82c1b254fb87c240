// Finds the module's entry point the way a PEI Foundation would: through the
// PE header of the image in flash (e_lfanew, then AddressOfEntryPoint).
#pragma once

#include <PiPei.h>

typedef EFI_STATUS (*PEIM_ENTRY_POINT)(EFI_PEI_FILE_HANDLE FileHandle,
                                       const EFI_PEI_SERVICES **PeiServices);

typedef struct {
  UINT32 Base;
  UINT32 EntryPoint;
  UINT32 SizeOfImage;
} MODULE_IMAGE;

// Returns nullptr and fills Module when the image at Base can run where it is
// (linked for Base: nothing here applies relocations); otherwise why not.
const CHAR8 *FindModuleEntryPoint(UINT32 Base, MODULE_IMAGE *Module);
