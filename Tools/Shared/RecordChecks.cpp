// Sums and ends are computed in 64 bits: a damaged record may hold any word,
// and Base + Size must not wrap around to look right.
#include "RecordChecks.h"

#include "FlashMapRecord.h"
#include "MessageText.h"

#include <algorithm>
#include <numeric>

namespace HostTools {

namespace {

constexpr uint64_t FOUR_GIB = 0x100000000ull;
constexpr uint64_t DEVICE_BLOCKS = 256;

// Where each region stands in address order: 8 and 9 are published swapped,
// and an entry's index is its identity, so the record must keep that order.
constexpr std::array<size_t, FLASH_MAP_REGION_COUNT> ADDRESS_ORDER = {0, 1, 2, 3,  4,  5,  6,
                                                                      7, 9, 8, 10, 11, 12, 13};

// The two runs of regions and the blocks each run covers exactly.
struct REGION_RUN {
  size_t FirstIndex;
  size_t LastIndex;
  uint64_t FirstBlock;
  uint64_t LastBlock;
};
constexpr REGION_RUN LOW_RUN = {0, 9, 49, 142};
constexpr REGION_RUN HIGH_RUN = {10, 13, 224, 255};

CHECK_RESULT Pass(const char *Name, std::string Detail) {
  return {Name, true, std::move(Detail)};
}
CHECK_RESULT Fail(const char *Name, std::string Detail) {
  return {Name, false, std::move(Detail)};
}

uint64_t End(uint64_t Base, uint64_t Size) {
  return Base + Size;
}

std::string Range(uint64_t Start, uint64_t End) {
  return Hex32(Start) + "-" + Hex32(End - 1);
}

CHECK_RESULT CheckBlockSize(const FLASH_MAP_RECORD &R) {
  const uint64_t Block = R.BlockSize;
  if (Block == 0 || (Block & (Block - 1)) != 0) {
    return Fail(CHECK_BLOCK_SIZE, "BlockSize " + Hex32(Block) + " is not a power of two");
  }
  if (R.FlashSize != DEVICE_BLOCKS * Block) {
    return Fail(CHECK_BLOCK_SIZE,
                "FlashSize " + Hex32(R.FlashSize) + " is not 256 blocks of " + Hex32(Block));
  }
  if (R.FlashBase % Block != 0 || R.FirmwareAreaBase % Block != 0 ||
      R.FirmwareAreaSize % Block != 0) {
    return Fail(CHECK_BLOCK_SIZE, "FlashBase or the firmware area is not block-aligned");
  }
  return Pass(CHECK_BLOCK_SIZE, "256 blocks of " + std::to_string(Block / 1024) + " KiB");
}

CHECK_RESULT CheckDeviceEnd(const FLASH_MAP_RECORD &R) {
  const uint64_t Sum = End(R.FlashBase, R.FlashSize);
  if (Sum != FOUR_GIB) {
    return Fail(CHECK_DEVICE_END, "FlashBase + FlashSize = " + Hex32(Sum) + ", not 4 GiB");
  }
  return Pass(CHECK_DEVICE_END, "FlashBase + FlashSize = 4 GiB");
}

CHECK_RESULT CheckFirmwareAreaEnd(const FLASH_MAP_RECORD &R) {
  const uint64_t Sum = End(R.FirmwareAreaBase, R.FirmwareAreaSize);
  if (Sum != FOUR_GIB) {
    return Fail(CHECK_FIRMWARE_AREA_END,
                "FirmwareAreaBase + FirmwareAreaSize = " + Hex32(Sum) + ", not 4 GiB");
  }
  if (R.FirmwareAreaBase < R.FlashBase) {
    return Fail(CHECK_FIRMWARE_AREA_END, "the firmware area starts below the device");
  }
  return Pass(CHECK_FIRMWARE_AREA_END, "FirmwareAreaBase + FirmwareAreaSize = 4 GiB");
}

// The published block numbers must follow from Base and Size.
std::string RegionBlocksFault(const FLASH_MAP_RECORD &R, size_t Index) {
  const FLASH_REGION &Region = R.Regions[Index];
  const std::string Name = "region " + std::to_string(Index) + ": ";
  const uint64_t Block = R.BlockSize;
  if (Block == 0) {
    return Name + "no block numbers with BlockSize 0";
  }
  if (Region.Size == 0 || Region.Base % Block != 0 || Region.Size % Block != 0) {
    return Name + "Base " + Hex32(Region.Base) + " / Size " + Hex32(Region.Size) +
           " is not a whole number of blocks";
  }
  if (Region.Base < R.FlashBase || End(Region.Base, Region.Size) > End(R.FlashBase, R.FlashSize)) {
    return Name + Range(Region.Base, End(Region.Base, Region.Size)) + " lies outside the device";
  }
  const uint64_t First = (Region.Base - uint64_t{R.FlashBase}) / Block;
  const uint64_t Last = (End(Region.Base, Region.Size) - 1 - R.FlashBase) / Block;
  if (Region.FirstBlock != First || Region.LastBlock != Last) {
    return Name + "blocks " + std::to_string(Region.FirstBlock) + "-" +
           std::to_string(Region.LastBlock) + " published, " + std::to_string(First) + "-" +
           std::to_string(Last) + " by address";
  }
  return "";
}

CHECK_RESULT CheckRegionBlocks(const FLASH_MAP_RECORD &R) {
  for (size_t Index = 0; Index < FLASH_MAP_REGION_COUNT; ++Index) {
    if (std::string Fault = RegionBlocksFault(R, Index); !Fault.empty()) {
      return Fail(CHECK_REGION_BLOCKS, Fault);
    }
  }
  return Pass(CHECK_REGION_BLOCKS, "FirstBlock and LastBlock follow from Base and Size");
}

CHECK_RESULT CheckRegionOrder(const FLASH_MAP_RECORD &R) {
  std::array<size_t, FLASH_MAP_REGION_COUNT> Order;
  std::iota(Order.begin(), Order.end(), 0);
  std::stable_sort(Order.begin(), Order.end(),
                   [&R](size_t A, size_t B) { return R.Regions[A].Base < R.Regions[B].Base; });
  if (Order != ADDRESS_ORDER) {
    std::string Seen;
    for (size_t Index : Order) {
      Seen += (Seen.empty() ? "" : " ") + std::to_string(Index);
    }
    return Fail(CHECK_REGION_ORDER, "address order is " + Seen +
                                        ", published order needs 0-7 9 8 "
                                        "10-13");
  }
  return Pass(CHECK_REGION_ORDER, "address order 0-7, 9, 8, 10-13");
}

// The run's regions, in address order, tile its blocks with no gap or overlap.
CHECK_RESULT CheckRun(const FLASH_MAP_RECORD &R, const REGION_RUN &Run, const char *Name) {
  const uint64_t Start = R.FlashBase + Run.FirstBlock * R.BlockSize;
  const uint64_t Stop = R.FlashBase + (Run.LastBlock + 1) * R.BlockSize;
  std::vector<size_t> Order(Run.LastIndex - Run.FirstIndex + 1);
  std::iota(Order.begin(), Order.end(), Run.FirstIndex);
  std::stable_sort(Order.begin(), Order.end(),
                   [&R](size_t A, size_t B) { return R.Regions[A].Base < R.Regions[B].Base; });
  uint64_t Cursor = Start;
  for (size_t Index : Order) {
    const FLASH_REGION &Region = R.Regions[Index];
    const std::string Which = "region " + std::to_string(Index);
    if (Region.Base > Cursor) {
      return Fail(Name, "gap " + Range(Cursor, Region.Base) + " before " + Which);
    }
    if (Region.Base < Cursor) {
      return Fail(Name, Which + " at " + Hex32(Region.Base) + " overlaps what lies below " +
                            Hex32(Cursor));
    }
    Cursor = End(Region.Base, Region.Size);
  }
  if (Cursor != Stop) {
    return Fail(Name, "the regions end at " + Hex32(Cursor) + ", not " + Hex32(Stop));
  }
  return Pass(Name, Range(Start, Stop) + " covered once");
}

CHECK_RESULT CheckSubRanges(const FLASH_MAP_RECORD &R) {
  const FLASH_REGION &Region3 = R.Regions[3];
  uint64_t Cursor = Region3.Base;
  for (size_t Index = 0; Index < FLASH_MAP_SUB_RANGE_COUNT; ++Index) {
    const FLASH_SUB_RANGE &Sub = R.SubRanges[Index];
    if (Sub.Base != Cursor || Sub.Size == 0) {
      return Fail(CHECK_SUB_RANGES, "sub-range " + std::to_string(Index) + " at " +
                                        Hex32(Sub.Base) + " (size " + Hex32(Sub.Size) +
                                        ") should start at " + Hex32(Cursor));
    }
    Cursor = End(Sub.Base, Sub.Size);
  }
  if (Cursor != End(Region3.Base, Region3.Size)) {
    return Fail(CHECK_SUB_RANGES, "the sub-ranges end at " + Hex32(Cursor) + ", region 3 at " +
                                      Hex32(End(Region3.Base, Region3.Size)));
  }
  return Pass(CHECK_SUB_RANGES, "four sub-ranges fill region 3 in address order");
}

} // namespace

std::vector<CHECK_RESULT> CheckFlashMapRecord(std::span<const uint8_t> Bytes) {
  const std::optional<FLASH_MAP_RECORD> Decoded = DecodeFlashMapRecord(Bytes);
  if (!Decoded) {
    return {Fail(CHECK_RECORD_SIZE, std::to_string(Bytes.size()) + " bytes, not " +
                                        std::to_string(FLASH_MAP_RECORD_SIZE))};
  }
  const FLASH_MAP_RECORD &R = *Decoded;
  return {Pass(CHECK_RECORD_SIZE, "280 bytes, seventy 32-bit fields"),
          CheckBlockSize(R),
          CheckDeviceEnd(R),
          CheckFirmwareAreaEnd(R),
          CheckRegionBlocks(R),
          CheckRegionOrder(R),
          CheckRun(R, LOW_RUN, CHECK_LOW_REGIONS),
          CheckRun(R, HIGH_RUN, CHECK_HIGH_REGIONS),
          CheckSubRanges(R)};
}

bool AllPassed(const std::vector<CHECK_RESULT> &Results) {
  return std::all_of(Results.begin(), Results.end(),
                     [](const CHECK_RESULT &Result) { return Result.Passed; });
}

} // namespace HostTools
