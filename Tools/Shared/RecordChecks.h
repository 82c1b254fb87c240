// The rules every flash map record keeps, whatever board it describes, each
// checked on its own so that a damaged record shows every rule it breaks.
// The board adds only which runs of regions it promises to be contiguous.
#pragma once

#include "DefaultBoard.h"

#include <Ppi/FlashMap.h>

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace HostTools {

struct CHECK_RESULT {
  std::string Name;
  bool Passed = false;
  std::string Detail; // what holds, or the first thing found wrong
};

// Check names, in the order CheckFlashMapRecord reports them.
inline constexpr const char *CHECK_RECORD_SIZE = "record-size";
inline constexpr const char *CHECK_BLOCK_SIZE = "block-size";
inline constexpr const char *CHECK_DEVICE = "device-ends-at-4GiB";
inline constexpr const char *CHECK_FIRMWARE_AREA = "firmware-area-ends-at-4GiB";
inline constexpr const char *CHECK_REGION_BLOCKS = "region-blocks";
inline constexpr const char *CHECK_REGIONS_IN_DEVICE = "regions-inside-device";
inline constexpr const char *CHECK_REGIONS_DISJOINT = "regions-disjoint";
inline constexpr const char *CHECK_REGION_RUNS = "region-runs-contiguous";
inline constexpr const char *CHECK_SUB_RANGES = "sub-ranges-tile-their-region";

// All checks on a record's bytes. A record of the wrong length gets only the
// record-size result, failed: nothing else in it can be read.
std::vector<CHECK_RESULT> CheckFlashMapRecord(std::span<const uint8_t> Bytes,
                                              const BOARD_FACTS &Board = DefaultBoard());

bool AllPassed(const std::vector<CHECK_RESULT> &Results);

// The region the sub-ranges divide, which the record does not name: the first
// region holding the first sub-range's base.
std::optional<size_t> SubRangeRegion(const FLASH_MAP_RECORD &Record);

} // namespace HostTools
