// The rules every flash map record keeps, whatever board it describes. The
// module checks its own record against them at build time and a consumer
// checks what it was handed at run time, so the rules are constexpr functions
// of the record alone, plus the one thing only the board can say: which runs
// of regions it promises to be contiguous.
//
// A damaged record may hold any word: ends are summed in 64 bits so that
// Base + Size cannot wrap around to look right, nothing divides by a zero
// BlockSize, and every loop is bounded by the record's fixed counts. No 64-bit
// division is used, so the firmware needs no helper routine for it.
#pragma once

#include <Ppi/FlashMap.h>

// What the rules find, in the order they are checked: a record that breaks
// several is named by the first.
typedef enum {
  FLASH_MAP_SOUND,
  FLASH_MAP_BLOCK_SIZE,
  FLASH_MAP_DEVICE,
  FLASH_MAP_FIRMWARE_AREA,
  FLASH_MAP_REGION_BLOCKS,
  FLASH_MAP_REGION_OUTSIDE_DEVICE,
  FLASH_MAP_REGIONS_OVERLAP,
  FLASH_MAP_RUN_NOT_CONTIGUOUS,
  FLASH_MAP_SUB_RANGES,
  FLASH_MAP_RULE_COUNT
} FLASH_MAP_RULE;

inline constexpr const CHAR8 *FLASH_MAP_RULE_TEXT[] = {
    "its rules hold",
    "BlockSize is not a power of two",
    "the device is not whole blocks ending at 4 GiB",
    "the firmware area is not whole blocks of the device ending at 4 GiB",
    "a region's blocks do not follow from its base and size",
    "a region lies outside the device",
    "two regions overlap",
    "a run of regions does not cover one contiguous range of blocks",
    "the sub-ranges do not tile their region in address order",
};
static_assert(sizeof(FLASH_MAP_RULE_TEXT) / sizeof(FLASH_MAP_RULE_TEXT[0]) == FLASH_MAP_RULE_COUNT,
              "a text per rule");

// Regions FirstIndex..LastIndex of the record, which together must cover one
// contiguous range of blocks, each block once, in whatever order they are listed.
typedef struct {
  UINT32 FirstIndex;
  UINT32 LastIndex;
} FLASH_REGION_RUN;

inline constexpr UINT64 FLASH_MAP_TOP_OF_MEMORY = 0x100000000ull;

constexpr UINT64 FlashMapEnd(UINT32 Base, UINT32 Size) {
  return (UINT64)Base + Size;
}

constexpr BOOLEAN FlashMapIsWholeBlocks(const FLASH_MAP_RECORD *Record, UINT32 Value) {
  return Record->BlockSize != 0 && Value % Record->BlockSize == 0;
}

constexpr BOOLEAN FlashMapBlockSizeHolds(const FLASH_MAP_RECORD *Record) {
  return Record->BlockSize != 0 && (Record->BlockSize & (Record->BlockSize - 1)) == 0;
}

constexpr BOOLEAN FlashMapDeviceHolds(const FLASH_MAP_RECORD *Record) {
  return FlashMapIsWholeBlocks(Record, Record->FlashBase) &&
         FlashMapIsWholeBlocks(Record, Record->FlashSize) &&
         FlashMapEnd(Record->FlashBase, Record->FlashSize) == FLASH_MAP_TOP_OF_MEMORY;
}

constexpr BOOLEAN FlashMapFirmwareAreaHolds(const FLASH_MAP_RECORD *Record) {
  return FlashMapIsWholeBlocks(Record, Record->FirmwareAreaBase) &&
         FlashMapIsWholeBlocks(Record, Record->FirmwareAreaSize) &&
         Record->FirmwareAreaBase >= Record->FlashBase &&
         FlashMapEnd(Record->FirmwareAreaBase, Record->FirmwareAreaSize) == FLASH_MAP_TOP_OF_MEMORY;
}

// Whole blocks at or above FlashBase, numbered as FirstBlock = (Base -
// FlashBase) / BlockSize and LastBlock = (Base + Size - 1 - FlashBase) /
// BlockSize; the latter is FirstBlock + Size / BlockSize - 1 for whole blocks.
constexpr BOOLEAN FlashMapRegionBlocksHold(const FLASH_MAP_RECORD *Record,
                                           const FLASH_REGION *Region) {
  if (Region->Size == 0 || !FlashMapIsWholeBlocks(Record, Region->Base) ||
      !FlashMapIsWholeBlocks(Record, Region->Size) || Region->Base < Record->FlashBase) {
    return FALSE;
  }
  UINT64 First = (Region->Base - Record->FlashBase) / Record->BlockSize;
  UINT64 Last = First + Region->Size / Record->BlockSize - 1;
  return Region->FirstBlock == First && Region->LastBlock == Last;
}

constexpr BOOLEAN FlashMapRegionInDevice(const FLASH_MAP_RECORD *Record,
                                         const FLASH_REGION *Region) {
  return Region->Base >= Record->FlashBase && FlashMapEnd(Region->Base, Region->Size) <=
                                                  FlashMapEnd(Record->FlashBase, Record->FlashSize);
}

constexpr BOOLEAN FlashMapRegionsOverlap(const FLASH_REGION *A, const FLASH_REGION *B) {
  return A->Base < FlashMapEnd(B->Base, B->Size) && B->Base < FlashMapEnd(A->Base, A->Size);
}

// The region of Run whose Base is Address, or nullptr.
constexpr const FLASH_REGION *FlashMapRegionAt(const FLASH_MAP_RECORD *Record, FLASH_REGION_RUN Run,
                                               UINT64 Address) {
  for (UINT32 Index = Run.FirstIndex; Index <= Run.LastIndex; ++Index) {
    if (Record->Regions[Index].Base == Address) {
      return &Record->Regions[Index];
    }
  }
  return nullptr;
}

// From the run's lowest base, each step must find the region that starts
// where the covered stretch ends. Ends only grow, so the steps visit distinct
// regions, and one step per region visits them all: no gap, no overlap.
constexpr BOOLEAN FlashMapRunContiguous(const FLASH_MAP_RECORD *Record, FLASH_REGION_RUN Run) {
  if (Run.FirstIndex > Run.LastIndex || Run.LastIndex >= FLASH_MAP_REGION_COUNT) {
    return FALSE;
  }
  UINT64 Covered = Record->Regions[Run.FirstIndex].Base;
  for (UINT32 Index = Run.FirstIndex; Index <= Run.LastIndex; ++Index) {
    Covered = Record->Regions[Index].Base < Covered ? Record->Regions[Index].Base : Covered;
  }
  for (UINT32 Step = Run.FirstIndex; Step <= Run.LastIndex; ++Step) {
    const FLASH_REGION *Next = FlashMapRegionAt(Record, Run, Covered);
    if (Next == nullptr || Next->Size == 0) {
      return FALSE;
    }
    Covered = FlashMapEnd(Next->Base, Next->Size);
  }
  return TRUE;
}

// The sub-ranges' region is not named in the record: it is the first region
// holding the first sub-range's base. FLASH_MAP_REGION_COUNT when none does.
constexpr UINT32 FlashMapSubRangeRegion(const FLASH_MAP_RECORD *Record) {
  const UINT32 Start = Record->SubRanges[0].Base;
  for (UINT32 Index = 0; Index < FLASH_MAP_REGION_COUNT; ++Index) {
    const FLASH_REGION &Region = Record->Regions[Index];
    if (Region.Base <= Start && Start < FlashMapEnd(Region.Base, Region.Size)) {
      return Index;
    }
  }
  return FLASH_MAP_REGION_COUNT;
}

// Non-empty, each starting where the one before ends, from the region's base
// to its end.
constexpr BOOLEAN FlashMapSubRangesTile(const FLASH_MAP_RECORD *Record) {
  const UINT32 Index = FlashMapSubRangeRegion(Record);
  if (Index == FLASH_MAP_REGION_COUNT) {
    return FALSE;
  }
  const FLASH_REGION &Region = Record->Regions[Index];
  UINT64 Covered = Region.Base;
  for (const FLASH_SUB_RANGE &Sub : Record->SubRanges) {
    if (Sub.Base != Covered || Sub.Size == 0) {
      return FALSE;
    }
    Covered = FlashMapEnd(Sub.Base, Sub.Size);
  }
  return Covered == FlashMapEnd(Region.Base, Region.Size);
}

constexpr FLASH_MAP_RULE FlashMapRegionRule(const FLASH_MAP_RECORD *Record) {
  for (const FLASH_REGION &Region : Record->Regions) {
    if (!FlashMapRegionBlocksHold(Record, &Region)) {
      return FLASH_MAP_REGION_BLOCKS;
    }
  }
  for (const FLASH_REGION &Region : Record->Regions) {
    if (!FlashMapRegionInDevice(Record, &Region)) {
      return FLASH_MAP_REGION_OUTSIDE_DEVICE;
    }
  }
  for (UINT32 A = 0; A < FLASH_MAP_REGION_COUNT; ++A) {
    for (UINT32 B = A + 1; B < FLASH_MAP_REGION_COUNT; ++B) {
      if (FlashMapRegionsOverlap(&Record->Regions[A], &Record->Regions[B])) {
        return FLASH_MAP_REGIONS_OVERLAP;
      }
    }
  }
  return FLASH_MAP_SOUND;
}

// The first rule Record breaks, given the board's runs; FLASH_MAP_SOUND when
// it keeps them all.
constexpr FLASH_MAP_RULE FlashMapBrokenRule(const FLASH_MAP_RECORD *Record,
                                            const FLASH_REGION_RUN *Runs, UINTN RunCount) {
  if (!FlashMapBlockSizeHolds(Record)) {
    return FLASH_MAP_BLOCK_SIZE;
  }
  if (!FlashMapDeviceHolds(Record)) {
    return FLASH_MAP_DEVICE;
  }
  if (!FlashMapFirmwareAreaHolds(Record)) {
    return FLASH_MAP_FIRMWARE_AREA;
  }
  const FLASH_MAP_RULE Regions = FlashMapRegionRule(Record);
  if (Regions != FLASH_MAP_SOUND) {
    return Regions;
  }
  for (UINTN Index = 0; Index < RunCount; ++Index) {
    if (!FlashMapRunContiguous(Record, Runs[Index])) {
      return FLASH_MAP_RUN_NOT_CONTIGUOUS;
    }
  }
  return FlashMapSubRangesTile(Record) ? FLASH_MAP_SOUND : FLASH_MAP_SUB_RANGES;
}
