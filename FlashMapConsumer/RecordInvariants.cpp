#include "RecordInvariants.h"

namespace {

constexpr UINT64 TOP_OF_MEMORY = 0x100000000ull;
// A run longer than the 16 MiB device in 64 KiB blocks is not worth walking.
constexpr UINT32 MAX_RUN_BLOCKS = 4096;

BOOLEAN BlocksFollow(const FLASH_MAP_RECORD *Record, const FLASH_REGION *Region) {
  UINT32 Block = Record->BlockSize;
  return Region->Size != 0 && Region->Base % Block == 0 && Region->Size % Block == 0 &&
         Region->Base >= Record->FlashBase &&
         (UINT64)Region->Base + Region->Size <= TOP_OF_MEMORY &&
         Region->FirstBlock == (Region->Base - Record->FlashBase) / Block &&
         Region->LastBlock == (Region->Base + (Region->Size - 1) - Record->FlashBase) / Block;
}

// Whether regions First..Last cover each block from their lowest to their
// highest exactly once; if so, that run.
BOOLEAN CoversOnce(const FLASH_MAP_RECORD *Record, UINT32 First, UINT32 Last, UINT32 *Low,
                   UINT32 *High) {
  *Low = Record->Regions[First].FirstBlock;
  *High = Record->Regions[First].LastBlock;
  for (UINT32 Index = First; Index <= Last; ++Index) {
    const FLASH_REGION &Region = Record->Regions[Index];
    *Low = Region.FirstBlock < *Low ? Region.FirstBlock : *Low;
    *High = Region.LastBlock > *High ? Region.LastBlock : *High;
  }
  if (*High - *Low >= MAX_RUN_BLOCKS) {
    return FALSE;
  }
  for (UINT32 Block = *Low; Block <= *High; ++Block) {
    UINT32 Owners = 0;
    for (UINT32 Index = First; Index <= Last; ++Index) {
      const FLASH_REGION &Region = Record->Regions[Index];
      Owners += Block >= Region.FirstBlock && Block <= Region.LastBlock ? 1 : 0;
    }
    if (Owners != 1) {
      return FALSE;
    }
  }
  return TRUE;
}

} // namespace

const CHAR8 *BrokenInvariant(const FLASH_MAP_RECORD *Record) {
  if (Record->BlockSize == 0 || (Record->BlockSize & (Record->BlockSize - 1)) != 0) {
    return "BlockSize is not a power of two";
  }
  if ((UINT64)Record->FlashBase + Record->FlashSize != TOP_OF_MEMORY) {
    return "the device does not end at 4 GiB";
  }
  if ((UINT64)Record->FirmwareAreaBase + Record->FirmwareAreaSize != TOP_OF_MEMORY ||
      Record->FirmwareAreaBase < Record->FlashBase) {
    return "the firmware area does not end at 4 GiB inside the device";
  }
  for (const FLASH_REGION &Region : Record->Regions) {
    if (!BlocksFollow(Record, &Region)) {
      return "a region's blocks do not follow from its base and size";
    }
  }
  UINT32 Low = 0;
  UINT32 High = 0;
  if (!CoversOnce(Record, 0, 9, &Low, &High) ||
      Low != (Record->FirmwareAreaBase - Record->FlashBase) / Record->BlockSize) {
    return "regions 0-9 do not cover the blocks from the firmware area's start once each";
  }
  if (!CoversOnce(Record, 10, FLASH_MAP_REGION_COUNT - 1, &Low, &High) ||
      High != Record->FlashSize / Record->BlockSize - 1) {
    return "regions 10-13 do not cover the blocks up to the device's end once each";
  }
  UINT64 Next = Record->Regions[3].Base;
  for (const FLASH_SUB_RANGE &Sub : Record->SubRanges) {
    if (Sub.Base != Next) {
      return "the sub-ranges do not divide region 3";
    }
    Next += Sub.Size;
  }
  if (Next != (UINT64)Record->Regions[3].Base + Record->Regions[3].Size) {
    return "the sub-ranges do not divide region 3";
  }
  return nullptr;
}
