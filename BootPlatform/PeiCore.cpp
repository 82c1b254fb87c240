#include "PeiCore.h"

#include "BootGuid.h"

namespace {

PEI_CORE_INSTANCE *CoreFromServices(const EFI_PEI_SERVICES **PeiServices) {
  // ServicesPointer is the first member of a standard-layout struct.
  return reinterpret_cast<PEI_CORE_INSTANCE *>(PeiServices);
}

EFI_STATUS ReInstallPpiUnsupported(const EFI_PEI_SERVICES **PeiServices,
                                   const EFI_PEI_PPI_DESCRIPTOR *OldPpi,
                                   const EFI_PEI_PPI_DESCRIPTOR *NewPpi) {
  (VOID) PeiServices;
  (VOID) OldPpi;
  (VOID) NewPpi;
  return EFI_UNSUPPORTED;
}

} // namespace

VOID PeiCoreInitialize(PEI_CORE_INSTANCE *Core) {
  Core->Services.Hdr.Signature = PEI_SERVICES_SIGNATURE;
  Core->Services.Hdr.Revision = 1u << 16;
  Core->Services.Hdr.HeaderSize = sizeof(Core->Services);
  Core->Services.Hdr.CRC32 = 0;
  Core->Services.Hdr.Reserved = 0;
  Core->Services.InstallPpi = PeiInstallPpi;
  Core->Services.ReInstallPpi = ReInstallPpiUnsupported;
  Core->Services.LocatePpi = PeiLocatePpi;
  Core->ServicesPointer = &Core->Services;
  for (UINT32 Index = 0; Index < PEI_PPI_DATABASE_CAPACITY; ++Index) {
    Core->Ppis[Index] = nullptr;
  }
  Core->PpiCount = 0;
  Core->InstallCalls = 0;
}

const EFI_PEI_SERVICES **PeiCoreServices(PEI_CORE_INSTANCE *Core) {
  return &Core->ServicesPointer;
}

EFI_STATUS PeiInstallPpi(const EFI_PEI_SERVICES **PeiServices,
                         const EFI_PEI_PPI_DESCRIPTOR *PpiList) {
  PEI_CORE_INSTANCE *Core = CoreFromServices(PeiServices);
  ++Core->InstallCalls;
  if (PpiList == nullptr) {
    return EFI_INVALID_PARAMETER;
  }
  // Walk no further than the free room, so that a list without its
  // terminator cannot run off into memory.
  UINT32 Room = PEI_PPI_DATABASE_CAPACITY - Core->PpiCount;
  UINT32 Count = 0;
  for (;;) {
    if (Count == Room) {
      return EFI_OUT_OF_RESOURCES;
    }
    const EFI_PEI_PPI_DESCRIPTOR &Descriptor = PpiList[Count];
    if ((Descriptor.Flags & EFI_PEI_PPI_DESCRIPTOR_PPI) == 0 || Descriptor.Guid == nullptr) {
      return EFI_INVALID_PARAMETER;
    }
    ++Count;
    if ((Descriptor.Flags & EFI_PEI_PPI_DESCRIPTOR_TERMINATE_LIST) != 0) {
      break;
    }
  }
  for (UINT32 Index = 0; Index < Count; ++Index) {
    Core->Ppis[Core->PpiCount++] = &PpiList[Index];
  }
  return EFI_SUCCESS;
}

EFI_STATUS PeiLocatePpi(const EFI_PEI_SERVICES **PeiServices, const EFI_GUID *Guid, UINTN Instance,
                        EFI_PEI_PPI_DESCRIPTOR **PpiDescriptor, VOID **Ppi) {
  PEI_CORE_INSTANCE *Core = CoreFromServices(PeiServices);
  if (Guid == nullptr) {
    return EFI_INVALID_PARAMETER;
  }
  for (UINT32 Index = 0; Index < Core->PpiCount; ++Index) {
    const EFI_PEI_PPI_DESCRIPTOR *Descriptor = Core->Ppis[Index];
    if (!SameGuid(Descriptor->Guid, Guid)) {
      continue;
    }
    if (Instance != 0) {
      --Instance;
      continue;
    }
    if (PpiDescriptor != nullptr) {
      *PpiDescriptor = const_cast<EFI_PEI_PPI_DESCRIPTOR *>(Descriptor);
    }
    if (Ppi != nullptr) {
      *Ppi = Descriptor->Ppi;
    }
    return EFI_SUCCESS;
  }
  return EFI_NOT_FOUND;
}
