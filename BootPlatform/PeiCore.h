// A minimal PEI Foundation: the services table a module is entered with, a
// PPI database that InstallPpi fills, and LocatePpi to find entries by GUID.
#pragma once

#include <PiPei.h>

#define PEI_PPI_DATABASE_CAPACITY 16

// The module receives &ServicesPointer as its PeiServices; the services find
// this instance again from it, so the core needs no global state.
typedef struct {
  const EFI_PEI_SERVICES *ServicesPointer;
  EFI_PEI_SERVICES Services;
  const EFI_PEI_PPI_DESCRIPTOR *Ppis[PEI_PPI_DATABASE_CAPACITY];
  UINT32 PpiCount;
  UINT32 InstallCalls;
} PEI_CORE_INSTANCE;

VOID PeiCoreInitialize(PEI_CORE_INSTANCE *Core);

// What a module's entry point receives as PeiServices.
const EFI_PEI_SERVICES **PeiCoreServices(PEI_CORE_INSTANCE *Core);

// Records every descriptor of the list up to the one that terminates it. The
// whole list is checked first: a descriptor without the PPI flag makes it
// EFI_INVALID_PARAMETER, a list longer than the free room EFI_OUT_OF_RESOURCES,
// and then nothing is recorded.
EFI_STATUS PeiInstallPpi(const EFI_PEI_SERVICES **PeiServices,
                         const EFI_PEI_PPI_DESCRIPTOR *PpiList);

// The Instance-th (from 0) recorded PPI with Guid, in installation order.
EFI_STATUS PeiLocatePpi(const EFI_PEI_SERVICES **PeiServices, const EFI_GUID *Guid, UINTN Instance,
                        EFI_PEI_PPI_DESCRIPTOR **PpiDescriptor, VOID **Ppi);
