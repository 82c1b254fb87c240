// The flash-map PPI: a constant description of the platform's 16 MiB flash
// device, published so that other PEI modules can find their regions.
#pragma once

#include <PiPei.h>

// The PPI's GUID, {E286BDA9-E33A-47B3-AA89-3F17CEDE5538}: producer and consumers
// know the map by this value alone.
// clang-format off
#define FLASH_MAP_PPI_GUID \
  { 0xE286BDA9, 0xE33A, 0x47B3, { 0xAA, 0x89, 0x3F, 0x17, 0xCE, 0xDE, 0x55, 0x38 } }
// clang-format on

#define FLASH_MAP_REGION_COUNT 14
#define FLASH_MAP_SUB_RANGE_COUNT 4

typedef struct {
  UINT32 Base; // mapped address
  UINT32 Size; // bytes
  UINT32 FirstBlock;
  UINT32 LastBlock;
} FLASH_REGION;

typedef struct {
  UINT32 Base;
  UINT32 Size;
} FLASH_SUB_RANGE;

// Note the header pairs put the size before the base; the entries do not.
typedef struct {
  UINT32 BlockSize;
  UINT32 FlashSize;
  UINT32 FlashBase;
  UINT32 FirmwareAreaSize;
  UINT32 FirmwareAreaBase;
  FLASH_REGION Regions[FLASH_MAP_REGION_COUNT];
  FLASH_SUB_RANGE SubRanges[FLASH_MAP_SUB_RANGE_COUNT];
  UINT32 Trailer;
} FLASH_MAP_RECORD;

// The PPI body: one pointer to the record. Consumers follow it, never copy it.
typedef struct {
  const FLASH_MAP_RECORD *Record;
} FLASH_MAP_PPI;

static_assert(sizeof(FLASH_MAP_RECORD) == 280, "the record is seventy 32-bit fields");
static_assert(OFFSET_OF(FLASH_MAP_RECORD, FlashSize) == 4 &&
                  OFFSET_OF(FLASH_MAP_RECORD, FlashBase) == 8 &&
                  OFFSET_OF(FLASH_MAP_RECORD, FirmwareAreaSize) == 12 &&
                  OFFSET_OF(FLASH_MAP_RECORD, FirmwareAreaBase) == 16 &&
                  OFFSET_OF(FLASH_MAP_RECORD, Regions) == 20 &&
                  OFFSET_OF(FLASH_MAP_RECORD, SubRanges) == 244 &&
                  OFFSET_OF(FLASH_MAP_RECORD, Trailer) == 276,
              "record field offsets");
static_assert(sizeof(FLASH_REGION) == 16 && sizeof(FLASH_SUB_RANGE) == 8, "entry sizes");

extern const EFI_GUID FlashMapPpiGuid;
extern const FLASH_MAP_RECORD FlashMapRecord;
extern const FLASH_MAP_PPI FlashMapPpi;
extern const EFI_PEI_PPI_DESCRIPTOR FlashMapPpiDescriptor;
