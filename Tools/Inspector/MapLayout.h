// The device in address order: every region, under its published index, and
// the unmapped stretches between them. Shared by the table and the picture.
#pragma once

#include <FlashMapRecord.h>

#include <cstdint>
#include <vector>

namespace TolvernInspect {

enum class MAP_ROW_KIND {
  Region,
  BelowFirmwareArea, // unmapped, below the firmware area
  Gap,               // inside the firmware area but in no region
};

struct MAP_ROW {
  MAP_ROW_KIND Kind = MAP_ROW_KIND::Gap;
  size_t Index = 0; // the region's published index (regions only)
  uint64_t Start = 0;
  uint64_t End = 0;           // one past the last byte
  bool Overlaps = false;      // starts below the end of an earlier row
  bool OutsideDevice = false; // reaches beyond the device
};

// Rows cover the device from FlashBase to FlashBase + FlashSize; regions are
// sorted by Base (ties by index), gaps are split where the firmware area starts.
std::vector<MAP_ROW> LayOutFlashMap(const FLASH_MAP_RECORD &Record);

// The block holding Address, or -1 when there is no block size to count by.
long long BlockOf(const FLASH_MAP_RECORD &Record, uint64_t Address);

} // namespace TolvernInspect
