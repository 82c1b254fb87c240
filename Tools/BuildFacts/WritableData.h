// The image runs in place from flash: it may hold no writable data. Its empty
// .data is merged into .text, so a writable object would not show as a
// writable section of the image; its linker map still names the input
// sections it came from.
#pragma once

#include "LinkerMap.h"

namespace BuildFacts {

// The map's input chunks of a .data or .bss section that hold anything.
std::vector<MAP_LINE> WritableChunks(const std::vector<MAP_LINE> &Map);

} // namespace BuildFacts
