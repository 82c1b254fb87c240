// The rules every flash map record keeps, checked by the consumer before it
// trusts the record: the device and the firmware area end at 4 GiB, every
// region's block numbers follow from its base and size, regions 0-9 cover
// the blocks from the firmware area's start and regions 10-13 those up to
// the device's end, each block once, and the sub-ranges divide region 3.
#pragma once

#include <Ppi/FlashMap.h>

// nullptr when the record keeps every rule; otherwise the first one it breaks.
const CHAR8 *BrokenInvariant(const FLASH_MAP_RECORD *Record);
