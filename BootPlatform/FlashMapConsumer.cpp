#include "FlashMapConsumer.h"

#include "Console.h"

#include <Ppi/FlashMap.h>

namespace {

// A consumer knows the PPI by its published GUID, not by the producer's symbol.
constexpr EFI_GUID kFlashMapPpiGuid = {
    0xE286BDA9, 0xE33A, 0x47B3, {0xAA, 0x89, 0x3F, 0x17, 0xCE, 0xDE, 0x55, 0x38}};

struct HEADER_FIELD {
  const CHAR8 *Name;
  UINT32 FLASH_MAP_RECORD::*Field;
};

constexpr HEADER_FIELD kHeaderFields[] = {
    {"BlockSize", &FLASH_MAP_RECORD::BlockSize},
    {"FlashSize", &FLASH_MAP_RECORD::FlashSize},
    {"FlashBase", &FLASH_MAP_RECORD::FlashBase},
    {"FirmwareAreaSize", &FLASH_MAP_RECORD::FirmwareAreaSize},
    {"FirmwareAreaBase", &FLASH_MAP_RECORD::FirmwareAreaBase},
};

VOID ReportRecord(const FLASH_MAP_RECORD *Record) {
  for (const HEADER_FIELD &Header : kHeaderFields) {
    ConsoleText("[flash-map] ");
    ConsoleText(Header.Name);
    ConsoleChar(' ');
    ConsoleHex(Record->*Header.Field, 8);
    ConsoleLine("");
  }
  for (UINT32 Index = 0; Index < FLASH_MAP_REGION_COUNT; ++Index) {
    const FLASH_REGION &Region = Record->Regions[Index];
    ConsoleText("[flash-map] Region ");
    ConsoleDecimal(Index);
    ConsoleText(": Base ");
    ConsoleHex(Region.Base, 8);
    ConsoleText(" Size ");
    ConsoleHex(Region.Size, 8);
    ConsoleText(" FirstBlock ");
    ConsoleDecimal(Region.FirstBlock);
    ConsoleText(" LastBlock ");
    ConsoleDecimal(Region.LastBlock);
    ConsoleLine("");
  }
  for (UINT32 Index = 0; Index < FLASH_MAP_SUB_RANGE_COUNT; ++Index) {
    const FLASH_SUB_RANGE &SubRange = Record->SubRanges[Index];
    ConsoleText("[flash-map] SubRange ");
    ConsoleDecimal(Index);
    ConsoleText(": Base ");
    ConsoleHex(SubRange.Base, 8);
    ConsoleText(" Size ");
    ConsoleHex(SubRange.Size, 8);
    ConsoleLine("");
  }
  ConsoleText("[flash-map] Trailer ");
  ConsoleHex(Record->Trailer, 8);
  ConsoleLine("");
}

} // namespace

BOOLEAN ReportFlashMap(const EFI_PEI_SERVICES **PeiServices) {
  EFI_PEI_PPI_DESCRIPTOR *Descriptor = nullptr;
  VOID *Ppi = nullptr;
  EFI_STATUS Status =
      (*PeiServices)->LocatePpi(PeiServices, &kFlashMapPpiGuid, 0, &Descriptor, &Ppi);
  ConsoleText("[flash-map] ppi ");
  ConsoleGuid(&kFlashMapPpiGuid);
  if (Status != EFI_SUCCESS) {
    ConsoleText(": not found, status ");
    ConsoleHex(Status, 8);
    ConsoleLine("");
    return FALSE;
  }
  const FLASH_MAP_PPI *FlashMap = static_cast<const FLASH_MAP_PPI *>(Ppi);
  ConsoleText(": descriptor flags ");
  ConsoleHex(Descriptor->Flags, 8);
  ConsoleText(", ppi at ");
  ConsoleHex((UINT32) reinterpret_cast<UINTN>(FlashMap), 8);
  if (FlashMap == nullptr || FlashMap->Record == nullptr) {
    ConsoleLine(", no record");
    return FALSE;
  }
  ConsoleText(", record at ");
  ConsoleHex((UINT32) reinterpret_cast<UINTN>(FlashMap->Record), 8);
  ConsoleLine("");
  ReportRecord(FlashMap->Record);
  return TRUE;
}
