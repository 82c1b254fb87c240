// The PEI services table and PPI descriptors that PEI modules exchange.
#pragma once

#include <Uefi/UefiBaseType.h>

#define EFI_PEI_PPI_DESCRIPTOR_PPI 0x00000010u
#define EFI_PEI_PPI_DESCRIPTOR_TERMINATE_LIST 0x80000000u

typedef struct {
  UINT32 Flags;
  EFI_GUID *Guid;
  VOID *Ppi;
} EFI_PEI_PPI_DESCRIPTOR;

typedef struct {
  UINT64 Signature;
  UINT32 Revision;
  UINT32 HeaderSize;
  UINT32 CRC32;
  UINT32 Reserved;
} EFI_TABLE_HEADER;

// Hdr.Signature of the PEI services table: "PEI SERV" read as a little-endian UINT64.
#define PEI_SERVICES_SIGNATURE 0x5652455320494550ull

struct EFI_PEI_SERVICES;
typedef struct EFI_PEI_SERVICES EFI_PEI_SERVICES;

typedef EFI_STATUS (*EFI_PEI_INSTALL_PPI)(const EFI_PEI_SERVICES **PeiServices,
                                          const EFI_PEI_PPI_DESCRIPTOR *PpiList);
typedef EFI_STATUS (*EFI_PEI_REINSTALL_PPI)(const EFI_PEI_SERVICES **PeiServices,
                                            const EFI_PEI_PPI_DESCRIPTOR *OldPpi,
                                            const EFI_PEI_PPI_DESCRIPTOR *NewPpi);
typedef EFI_STATUS (*EFI_PEI_LOCATE_PPI)(const EFI_PEI_SERVICES **PeiServices, const EFI_GUID *Guid,
                                         UINTN Instance, EFI_PEI_PPI_DESCRIPTOR **PpiDescriptor,
                                         VOID **Ppi);

// The table starts with its header; InstallPpi is the first service. Later
// services are not used by this module and are left out of the declaration.
struct EFI_PEI_SERVICES {
  EFI_TABLE_HEADER Hdr;
  EFI_PEI_INSTALL_PPI InstallPpi;
  EFI_PEI_REINSTALL_PPI ReInstallPpi;
  EFI_PEI_LOCATE_PPI LocatePpi;
};

typedef const VOID *EFI_PEI_FILE_HANDLE;

static_assert(sizeof(EFI_TABLE_HEADER) == 24, "table header is 24 bytes");
static_assert(OFFSET_OF(EFI_PEI_SERVICES, InstallPpi) == 24, "InstallPpi follows the header");
#if defined(__i386__)
static_assert(sizeof(EFI_PEI_PPI_DESCRIPTOR) == 12 &&
                  OFFSET_OF(EFI_PEI_PPI_DESCRIPTOR, Guid) == 4 &&
                  OFFSET_OF(EFI_PEI_PPI_DESCRIPTOR, Ppi) == 8,
              "on IA32 a descriptor is three 32-bit fields");
#endif
