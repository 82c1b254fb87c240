// A flash image or a dump read off a board: its firmware volumes, the PEIM
// whose image publishes the flash map, and the dump held against that map.
#pragma once

#include "Inspection.h"

namespace TolvernInspect {

// Finds every volume (at 8-byte aligned offsets, by its signature), reads it,
// and looks in each PEIM's PE32 image for the published map; with one found,
// checks the map and cross-checks the dump. Bytes are the file at Path.
// Throws INSPECT_ERROR when it holds no volume at all.
INSPECTION InspectFlashDump(const std::string &Path, std::vector<uint8_t> Bytes);

// Names of the cross-checks, in the order they are reported.
inline constexpr const char *CHECK_DUMP_SIZE = "dump-is-the-whole-device";
inline constexpr const char *CHECK_VOLUMES_IN_REGIONS = "each-volume-inside-one-region";
inline constexpr const char *CHECK_IMAGE_IN_PLACE = "image-at-its-link-address";

} // namespace TolvernInspect
