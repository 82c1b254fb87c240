// A consumer of the flash-map PPI, as any PEIM of the platform would be one:
// it finds the PPI by its GUID through LocatePpi, follows it to the record,
// checks the record against the flash-map rules and the board's promises and
// prints it line by line. It is not part of the module; its dependency
// expression (PUSH the flash-map GUID, END) keeps the dispatcher from calling
// it before the module has installed the PPI.
#include "ConsumerPrint.h"

#include <FlashMapBoard.h>

namespace {

// A consumer knows the PPI by its published GUID, not by the producer's symbol.
constexpr EFI_GUID FLASH_MAP_GUID = FLASH_MAP_PPI_GUID;
// A record that breaks its rules describes no usable flash volume.
constexpr EFI_STATUS RECORD_BROKEN = ENCODE_ERROR(10); // Volume Corrupt

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

VOID PrintRecord(const FLASH_MAP_RECORD *Record) {
  for (const HEADER_FIELD &Header : HEADER_FIELDS) {
    ConsumerPrint("[flash-map] %a 0x%08X\n", Header.Name, Record->*Header.Field);
  }
  for (UINT32 Index = 0; Index < FLASH_MAP_REGION_COUNT; ++Index) {
    const FLASH_REGION &Region = Record->Regions[Index];
    ConsumerPrint("[flash-map] Region %d: Base 0x%08X Size 0x%08X FirstBlock %d LastBlock %d\n",
                  Index, Region.Base, Region.Size, Region.FirstBlock, Region.LastBlock);
  }
  for (UINT32 Index = 0; Index < FLASH_MAP_SUB_RANGE_COUNT; ++Index) {
    const FLASH_SUB_RANGE &SubRange = Record->SubRanges[Index];
    ConsumerPrint("[flash-map] SubRange %d: Base 0x%08X Size 0x%08X\n", Index, SubRange.Base,
                  SubRange.Size);
  }
  ConsumerPrint("[flash-map] Trailer 0x%08X\n", Record->Trailer);
}

} // namespace

extern "C" EFI_STATUS FlashMapConsumerEntry(EFI_PEI_FILE_HANDLE FileHandle,
                                            const EFI_PEI_SERVICES **PeiServices) {
  (VOID) FileHandle;
  EFI_PEI_PPI_DESCRIPTOR *Descriptor = nullptr;
  VOID *Ppi = nullptr;
  EFI_STATUS Status = (*PeiServices)->LocatePpi(PeiServices, &FLASH_MAP_GUID, 0, &Descriptor, &Ppi);
  ConsumerPrint("[flash-map] ppi {%g}", &FLASH_MAP_GUID);
  if (Status != EFI_SUCCESS) {
    ConsumerPrint(": not found, status 0x%08X\n", Status);
    return Status;
  }
  const FLASH_MAP_PPI *FlashMap = static_cast<const FLASH_MAP_PPI *>(Ppi);
  ConsumerPrint(": descriptor flags 0x%08X, ppi at 0x%08X", Descriptor->Flags,
                (UINT32) reinterpret_cast<UINTN>(FlashMap));
  if (FlashMap == nullptr || FlashMap->Record == nullptr) {
    ConsumerPrint(", no record\n");
    return EFI_NOT_FOUND;
  }
  const FLASH_MAP_RULE Broken = FlashMapBoardRule(FlashMap->Record);
  ConsumerPrint(", record at 0x%08X, %a%a\n", (UINT32) reinterpret_cast<UINTN>(FlashMap->Record),
                Broken == FLASH_MAP_SOUND ? "" : "BROKEN: ", FLASH_MAP_RULE_TEXT[Broken]);
  PrintRecord(FlashMap->Record);
  return Broken == FLASH_MAP_SOUND ? EFI_SUCCESS : RECORD_BROKEN;
}
