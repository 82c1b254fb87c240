// The flash map record's invariants, each checked on its own so that a damaged
// record shows every rule it breaks.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

struct CHECK_RESULT {
  std::string Name;
  bool Passed = false;
  std::string Detail; // what holds, or the first thing found wrong
};

// Check names, in the order CheckFlashMapRecord reports them.
inline constexpr const char *kCheckRecordSize = "record-size";
inline constexpr const char *kCheckBlockSize = "block-size";
inline constexpr const char *kCheckDeviceEnd = "device-ends-at-4GiB";
inline constexpr const char *kCheckFirmwareAreaEnd = "firmware-area-ends-at-4GiB";
inline constexpr const char *kCheckRegionBlocks = "region-blocks";
inline constexpr const char *kCheckRegionOrder = "region-order";
inline constexpr const char *kCheckLowRegions = "regions-0-9-cover-blocks-49-142";
inline constexpr const char *kCheckHighRegions = "regions-10-13-cover-blocks-224-255";
inline constexpr const char *kCheckSubRanges = "sub-ranges-divide-region-3";

// All checks on a record's bytes. A record of the wrong length gets only the
// record-size result, failed: nothing else in it can be read.
std::vector<CHECK_RESULT> CheckFlashMapRecord(std::span<const uint8_t> Bytes);

bool AllPassed(const std::vector<CHECK_RESULT> &Results);
