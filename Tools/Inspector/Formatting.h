// Number texts shared by the table, the JSON and the picture.
#pragma once

#include <FlashMapRecord.h>

#include <cstdint>
#include <string>

namespace TolvernInspect {

// Bytes as KiB: "304", or "0.5" for a size that is not whole KiB.
std::string KiBText(uint64_t Bytes);

// "first-last" blocks of [Start, End), or "?" without a usable block size.
std::string BlockRangeText(const FLASH_MAP_RECORD &Record, uint64_t Start, uint64_t End);

} // namespace TolvernInspect
