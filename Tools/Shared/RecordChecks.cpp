// Sums and ends are computed in 64 bits: a damaged record may hold any word,
// and Base + Size must not wrap around to look right. Every loop is bounded
// by the record's fixed counts or the board's runs.
#include "RecordChecks.h"

#include "FlashMapRecord.h"
#include "MessageText.h"

#include <algorithm>
#include <numeric>

namespace HostTools {

namespace {

constexpr uint64_t FOUR_GIB = 0x100000000ull;

// A stretch of addresses, End one past its last byte.
struct SPAN {
  uint64_t Start = 0;
  uint64_t End = 0;
};

SPAN Of(uint32_t Base, uint32_t Size) {
  return {Base, uint64_t{Base} + Size};
}
SPAN Of(const FLASH_REGION &Region) {
  return Of(Region.Base, Region.Size);
}

std::string Text(const SPAN &Span) {
  return Span.End > Span.Start ? Hex32(Span.Start) + "-" + Hex32(Span.End - 1)
                               : "empty at " + Hex32(Span.Start);
}

std::string RegionName(size_t Index) {
  return "region " + std::to_string(Index);
}

CHECK_RESULT Pass(const char *Name, std::string Detail) {
  return {Name, true, std::move(Detail)};
}
CHECK_RESULT Fail(const char *Name, std::string Detail) {
  return {Name, false, std::move(Detail)};
}

bool PowerOfTwo(uint64_t Value) {
  return Value != 0 && (Value & (Value - 1)) == 0;
}

bool WholeBlocks(const FLASH_MAP_RECORD &R, uint64_t Value) {
  return R.BlockSize != 0 && Value % R.BlockSize == 0;
}

// "blocks F-L" when the record has blocks to count in and the span lies above
// FlashBase; otherwise the addresses.
std::string BlocksText(const FLASH_MAP_RECORD &R, const SPAN &Span) {
  if (!PowerOfTwo(R.BlockSize) || Span.Start < R.FlashBase || Span.End <= Span.Start) {
    return Text(Span);
  }
  return "blocks " + std::to_string((Span.Start - R.FlashBase) / R.BlockSize) + "-" +
         std::to_string((Span.End - 1 - R.FlashBase) / R.BlockSize);
}

CHECK_RESULT CheckBlockSize(const FLASH_MAP_RECORD &R) {
  if (!PowerOfTwo(R.BlockSize)) {
    return Fail(CHECK_BLOCK_SIZE, "BlockSize " + Hex32(R.BlockSize) + " is not a power of two");
  }
  return Pass(CHECK_BLOCK_SIZE, "blocks of " + Hex32(R.BlockSize) + " bytes");
}

// Whole blocks ending at 4 GiB: the rule the device and the firmware area share.
std::string TopSpanFault(const FLASH_MAP_RECORD &R, const char *BaseName, uint32_t Base,
                         const char *SizeName, uint32_t Size) {
  if (!WholeBlocks(R, Base) || !WholeBlocks(R, Size)) {
    return std::string(BaseName) + " " + Hex32(Base) + " or " + SizeName + " " + Hex32(Size) +
           " is not a whole number of blocks of " + Hex32(R.BlockSize);
  }
  if (const uint64_t End = Of(Base, Size).End; End != FOUR_GIB) {
    return std::string(BaseName) + " + " + SizeName + " = " + Hex32(End) + ", not 4 GiB";
  }
  return "";
}

CHECK_RESULT CheckDevice(const FLASH_MAP_RECORD &R) {
  const std::string Fault = TopSpanFault(R, "FlashBase", R.FlashBase, "FlashSize", R.FlashSize);
  if (!Fault.empty()) {
    return Fail(CHECK_DEVICE, Fault);
  }
  return Pass(CHECK_DEVICE, Text(Of(R.FlashBase, R.FlashSize)) + ", " +
                                BlocksText(R, Of(R.FlashBase, R.FlashSize)));
}

CHECK_RESULT CheckFirmwareArea(const FLASH_MAP_RECORD &R) {
  const std::string Fault = TopSpanFault(R, "FirmwareAreaBase", R.FirmwareAreaBase,
                                         "FirmwareAreaSize", R.FirmwareAreaSize);
  if (!Fault.empty()) {
    return Fail(CHECK_FIRMWARE_AREA, Fault);
  }
  if (R.FirmwareAreaBase < R.FlashBase) {
    return Fail(CHECK_FIRMWARE_AREA, "the firmware area starts at " + Hex32(R.FirmwareAreaBase) +
                                         ", below the device at " + Hex32(R.FlashBase));
  }
  return Pass(CHECK_FIRMWARE_AREA, Text(Of(R.FirmwareAreaBase, R.FirmwareAreaSize)) + ", " +
                                       BlocksText(R, Of(R.FirmwareAreaBase, R.FirmwareAreaSize)));
}

// The published block numbers must follow from Base and Size.
std::string RegionBlocksFault(const FLASH_MAP_RECORD &R, size_t Index) {
  const FLASH_REGION &Region = R.Regions[Index];
  const std::string Name = RegionName(Index) + ": ";
  if (Region.Size == 0 || !WholeBlocks(R, Region.Base) || !WholeBlocks(R, Region.Size)) {
    return Name + "Base " + Hex32(Region.Base) + " / Size " + Hex32(Region.Size) +
           " is not a non-empty whole number of blocks of " + Hex32(R.BlockSize);
  }
  if (Region.Base < R.FlashBase) {
    return Name + "Base " + Hex32(Region.Base) + " lies below FlashBase, so it has no blocks";
  }
  const uint64_t First = (uint64_t{Region.Base} - R.FlashBase) / R.BlockSize;
  const uint64_t Last = (Of(Region).End - 1 - R.FlashBase) / R.BlockSize;
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

CHECK_RESULT CheckRegionsInDevice(const FLASH_MAP_RECORD &R) {
  const SPAN Device = Of(R.FlashBase, R.FlashSize);
  for (size_t Index = 0; Index < FLASH_MAP_REGION_COUNT; ++Index) {
    const SPAN Region = Of(R.Regions[Index]);
    if (Region.Start < Device.Start || Region.End > Device.End) {
      return Fail(CHECK_REGIONS_IN_DEVICE, RegionName(Index) + ": " + Text(Region) +
                                               " reaches outside the device " + Text(Device));
    }
  }
  return Pass(CHECK_REGIONS_IN_DEVICE, "every region lies in " + Text(Device));
}

// Indices First..Last sorted by Base, ties by index.
std::vector<size_t> AddressOrder(const FLASH_MAP_RECORD &R, size_t First, size_t Last) {
  std::vector<size_t> Order(Last - First + 1);
  std::iota(Order.begin(), Order.end(), First);
  std::stable_sort(Order.begin(), Order.end(),
                   [&R](size_t A, size_t B) { return R.Regions[A].Base < R.Regions[B].Base; });
  return Order;
}

// In address order, each region must start at or above the highest end so far.
CHECK_RESULT CheckRegionsDisjoint(const FLASH_MAP_RECORD &R) {
  const std::vector<size_t> Order = AddressOrder(R, 0, FLASH_MAP_REGION_COUNT - 1);
  size_t Highest = Order.front();
  for (size_t Index : Order) {
    const SPAN Region = Of(R.Regions[Index]);
    const SPAN Below = Of(R.Regions[Highest]);
    if (Index != Highest && Region.Start < Below.End && Region.End > Region.Start) {
      return Fail(CHECK_REGIONS_DISJOINT, RegionName(Index) + " (" + Text(Region) + ") overlaps " +
                                              RegionName(Highest) + " (" + Text(Below) + ")");
    }
    Highest = Region.End > Below.End ? Index : Highest;
  }
  return Pass(CHECK_REGIONS_DISJOINT, "no two regions share an address");
}

// The run's regions, in address order, follow each other with no gap or overlap.
std::string RunFault(const FLASH_MAP_RECORD &R, const REGION_RUN &Run, SPAN &Covered) {
  const std::string Name =
      "regions " + std::to_string(Run.FirstIndex) + "-" + std::to_string(Run.LastIndex) + ": ";
  if (Run.FirstIndex > Run.LastIndex || Run.LastIndex >= FLASH_MAP_REGION_COUNT) {
    return Name + "the record has regions 0-" + std::to_string(FLASH_MAP_REGION_COUNT - 1);
  }
  const std::vector<size_t> Order = AddressOrder(R, Run.FirstIndex, Run.LastIndex);
  Covered = {R.Regions[Order.front()].Base, R.Regions[Order.front()].Base};
  for (size_t Index : Order) {
    const SPAN Region = Of(R.Regions[Index]);
    if (Region.Start > Covered.End) {
      return Name + "gap " + Text({Covered.End, Region.Start}) + " before " + RegionName(Index);
    }
    if (Region.Start < Covered.End || Region.End == Region.Start) {
      return Name + RegionName(Index) + " (" + Text(Region) + ") does not start at " +
             Hex32(Covered.End) + ", where the regions below it end";
    }
    Covered.End = Region.End;
  }
  return "";
}

CHECK_RESULT CheckRegionRuns(const FLASH_MAP_RECORD &R, const BOARD_FACTS &Board) {
  std::string Covers;
  for (const REGION_RUN &Run : Board.RegionRuns) {
    SPAN Covered;
    if (std::string Fault = RunFault(R, Run, Covered); !Fault.empty()) {
      return Fail(CHECK_REGION_RUNS, Fault);
    }
    Covers += (Covers.empty() ? "regions " : ", regions ") + std::to_string(Run.FirstIndex) + "-" +
              std::to_string(Run.LastIndex) + " cover " + BlocksText(R, Covered);
  }
  return Pass(CHECK_REGION_RUNS, Covers.empty() ? "the board promises no runs" : Covers);
}

// From the region's base to its end, each non-empty sub-range starting where
// the one before it ends.
CHECK_RESULT CheckSubRanges(const FLASH_MAP_RECORD &R) {
  const std::optional<size_t> Index = SubRangeRegion(R);
  if (!Index) {
    return Fail(CHECK_SUB_RANGES,
                "sub-range 0 starts at " + Hex32(R.SubRanges[0].Base) + ", in no region");
  }
  const SPAN Region = Of(R.Regions[*Index]);
  uint64_t Covered = Region.Start;
  for (size_t Sub = 0; Sub < FLASH_MAP_SUB_RANGE_COUNT; ++Sub) {
    const SPAN Range = Of(R.SubRanges[Sub].Base, R.SubRanges[Sub].Size);
    if (Range.Start != Covered || Range.End == Range.Start) {
      return Fail(CHECK_SUB_RANGES, "sub-range " + std::to_string(Sub) + " (" + Text(Range) +
                                        ") should start at " + Hex32(Covered) + " in " +
                                        RegionName(*Index));
    }
    Covered = Range.End;
  }
  if (Covered != Region.End) {
    return Fail(CHECK_SUB_RANGES, "the sub-ranges end at " + Hex32(Covered) + ", " +
                                      RegionName(*Index) + " at " + Hex32(Region.End));
  }
  return Pass(CHECK_SUB_RANGES, std::to_string(FLASH_MAP_SUB_RANGE_COUNT) + " sub-ranges tile " +
                                    RegionName(*Index) + " in address order");
}

} // namespace

std::optional<size_t> SubRangeRegion(const FLASH_MAP_RECORD &Record) {
  const uint64_t Start = Record.SubRanges[0].Base;
  for (size_t Index = 0; Index < FLASH_MAP_REGION_COUNT; ++Index) {
    const SPAN Region = Of(Record.Regions[Index]);
    if (Region.Start <= Start && Start < Region.End) {
      return Index;
    }
  }
  return std::nullopt;
}

std::vector<CHECK_RESULT> CheckFlashMapRecord(std::span<const uint8_t> Bytes,
                                              const BOARD_FACTS &Board) {
  const std::optional<FLASH_MAP_RECORD> Decoded = DecodeFlashMapRecord(Bytes);
  if (!Decoded) {
    return {Fail(CHECK_RECORD_SIZE, std::to_string(Bytes.size()) + " bytes, not " +
                                        std::to_string(FLASH_MAP_RECORD_SIZE))};
  }
  const FLASH_MAP_RECORD &R = *Decoded;
  return {Pass(CHECK_RECORD_SIZE,
               std::to_string(FLASH_MAP_RECORD_SIZE) + " bytes, seventy 32-bit fields"),
          CheckBlockSize(R),
          CheckDevice(R),
          CheckFirmwareArea(R),
          CheckRegionBlocks(R),
          CheckRegionsInDevice(R),
          CheckRegionsDisjoint(R),
          CheckRegionRuns(R, Board),
          CheckSubRanges(R)};
}

bool AllPassed(const std::vector<CHECK_RESULT> &Results) {
  return std::all_of(Results.begin(), Results.end(),
                     [](const CHECK_RESULT &Result) { return Result.Passed; });
}

} // namespace HostTools
