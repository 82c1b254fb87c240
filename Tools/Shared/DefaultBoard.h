// What a board says about its flash map that the record cannot say itself,
// and the facts of the board the tools describe when told of no other.
#pragma once

#include <cstddef>
#include <vector>

namespace HostTools {

// Regions FirstIndex..LastIndex cover one contiguous range of blocks, each
// block once, in whatever order the record lists them.
struct REGION_RUN {
  size_t FirstIndex = 0;
  size_t LastIndex = 0;
};

struct BOARD_FACTS {
  std::vector<REGION_RUN> RegionRuns;
};

inline BOARD_FACTS DefaultBoard() {
  return {{{0, 9}, {10, 13}}};
}

} // namespace HostTools
