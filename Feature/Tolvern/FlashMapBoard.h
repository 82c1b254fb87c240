// What this board promises about its flash map beyond the rules every record
// keeps. The module that publishes the record and the consumers built for the
// same board check it against these facts, so they are written here once.
#pragma once

#include <Ppi/FlashMapRules.h>

// Regions 0-9 cover one contiguous stretch of blocks and 10-13 another.
inline constexpr FLASH_REGION_RUN FlashMapBoardRuns[] = {{0, 9}, {10, 13}};

constexpr FLASH_MAP_RULE FlashMapBoardRule(const FLASH_MAP_RECORD *Record) {
  return FlashMapBrokenRule(Record, FlashMapBoardRuns,
                            sizeof(FlashMapBoardRuns) / sizeof(FlashMapBoardRuns[0]));
}
