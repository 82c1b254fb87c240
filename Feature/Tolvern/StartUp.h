// The module's start-up: its library constructors, then the flash-map PPI.
#pragma once

#include <PiPei.h>

typedef EFI_STATUS (*LIBRARY_CONSTRUCTOR)(VOID);

// The build's constructor list, in the order the constructors run.
extern const LIBRARY_CONSTRUCTOR ConstructorList[];
extern const UINTN ConstructorCount;

// The whole start-up with a given constructor list (PeimEntry passes the
// build's): every constructor in order, a failing one reported without stopping
// start-up, then PublishFlashMap.
EFI_STATUS StartModule(const LIBRARY_CONSTRUCTOR *Constructors, UINTN Count,
                       const EFI_PEI_SERVICES **PeiServices);

// Installs FlashMapPpiDescriptor with one InstallPpi call; returns its status unchanged.
EFI_STATUS PublishFlashMap(const EFI_PEI_SERVICES **PeiServices);

extern "C" EFI_STATUS PeimEntry(EFI_PEI_FILE_HANDLE FileHandle,
                                const EFI_PEI_SERVICES **PeiServices);
