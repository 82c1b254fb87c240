#include "FlashMapConsumer.h"

#include "Console.h"

#include <Ppi/FlashMap.h>

namespace {

// A consumer knows the PPI by its published GUID, not by the producer's symbol.
constexpr EFI_GUID FLASH_MAP_GUID = FLASH_MAP_PPI_GUID;

struct HEADER_FIELD {
  const CHAR8 *Name;
  UINT32 FLASH_MAP_RECORD::*Field;
};

constexpr HEADER_FIELD HEADER_FIELDS[] = {
    {"BlockSize", &FLASH_MAP_RECORD::BlockSize},
    {"FlashSize", &FLASH_MAP_RECORD::FlashSize},
    {"FlashBase", &FLASH_MAP_RECORD::FlashBase},
    {"FirmwareAreaSize", &FLASH_MAP_RECORD::FirmwareAreaSize},
    {"FirmwareAreaBase", &FLASH_MAP_RECORD::FirmwareAreaBase},
};

VOID ReportRecord(const FLASH_MAP_RECORD *Record) {
  for (const HEADER_FIELD &Header : HEADER_FIELDS) {
    ConsolePrint("[flash-map] %a 0x%08X\n", Header.Name, Record->*Header.Field);
  }
  for (UINT32 Index = 0; Index < FLASH_MAP_REGION_COUNT; ++Index) {
    const FLASH_REGION &Region = Record->Regions[Index];
    ConsolePrint("[flash-map] Region %d: Base 0x%08X Size 0x%08X FirstBlock %d LastBlock %d\n",
                 Index, Region.Base, Region.Size, Region.FirstBlock, Region.LastBlock);
  }
  for (UINT32 Index = 0; Index < FLASH_MAP_SUB_RANGE_COUNT; ++Index) {
    const FLASH_SUB_RANGE &SubRange = Record->SubRanges[Index];
    ConsolePrint("[flash-map] SubRange %d: Base 0x%08X Size 0x%08X\n", Index, SubRange.Base,
                 SubRange.Size);
  }
  ConsolePrint("[flash-map] Trailer 0x%08X\n", Record->Trailer);
}

} // namespace

BOOLEAN ReportFlashMap(const EFI_PEI_SERVICES **PeiServices) {
  EFI_PEI_PPI_DESCRIPTOR *Descriptor = nullptr;
  VOID *Ppi = nullptr;
  EFI_STATUS Status = (*PeiServices)->LocatePpi(PeiServices, &FLASH_MAP_GUID, 0, &Descriptor, &Ppi);
  ConsolePrint("[flash-map] ppi {%g}", &FLASH_MAP_GUID);
  if (Status != EFI_SUCCESS) {
    ConsolePrint(": not found, status 0x%08X\n", Status);
    return FALSE;
  }
  const FLASH_MAP_PPI *FlashMap = static_cast<const FLASH_MAP_PPI *>(Ppi);
  ConsolePrint(": descriptor flags 0x%08X, ppi at 0x%08X", Descriptor->Flags,
               (UINT32) reinterpret_cast<UINTN>(FlashMap));
  if (FlashMap == nullptr || FlashMap->Record == nullptr) {
    ConsolePrint(", no record\n");
    return FALSE;
  }
  ConsolePrint(", record at 0x%08X\n", (UINT32) reinterpret_cast<UINTN>(FlashMap->Record));
  ReportRecord(FlashMap->Record);
  return TRUE;
}
