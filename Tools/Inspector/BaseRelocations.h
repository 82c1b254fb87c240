// The image's base relocation table: where the loader would patch 32-bit
// absolute addresses if the image were not at its preferred base.
#pragma once

#include "PeImage.h"

#include <cstdint>
#include <vector>

// The virtual addresses (at the preferred base) of every 32-bit HIGHLOW fixup,
// sorted. Empty when the image has no table; throws INSPECT_ERROR when the
// table is malformed or lies outside the file.
std::vector<uint64_t> ReadHighLowFixups(const PE_IMAGE &Image);

bool HasFixupAt(const std::vector<uint64_t> &Fixups, uint64_t Va);
