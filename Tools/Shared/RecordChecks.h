// The flash map record's invariants, each checked on its own so that a damaged
// record shows every rule it breaks.
#pragma once

#include <cstdint>
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
inline constexpr const char *CHECK_DEVICE_END = "device-ends-at-4GiB";
inline constexpr const char *CHECK_FIRMWARE_AREA_END = "firmware-area-ends-at-4GiB";
inline constexpr const char *CHECK_REGION_BLOCKS = "region-blocks";
inline constexpr const char *CHECK_REGION_ORDER = "region-order";
inline constexpr const char *CHECK_LOW_REGIONS = "regions-0-9-cover-blocks-49-142";
inline constexpr const char *CHECK_HIGH_REGIONS = "regions-10-13-cover-blocks-224-255";
inline constexpr const char *CHECK_SUB_RANGES = "sub-ranges-divide-region-3";

// All checks on a record's bytes. A record of the wrong length gets only the
// record-size result, failed: nothing else in it can be read.
std::vector<CHECK_RESULT> CheckFlashMapRecord(std::span<const uint8_t> Bytes);

bool AllPassed(const std::vector<CHECK_RESULT> &Results);

} // namespace HostTools
