// Where a PEIM that runs in place must be linked: the address its PE32 data
// lands at as the first file of a boot volume. The file is built by the flash
// tools' own writer around a placeholder image and placed in a volume as
// tolvern-flash places the first PEIM; the address is then read back with the
// volume reader, so the figure follows the writer whatever it changes.
#pragma once

#include <PeimFile.h>

namespace BuildFacts {

// Parts' image is ignored: the placeholder stands in for it. Nothing, and one
// line in Problem, when the file cannot be written or its PE32 data would lie
// past 4 GiB.
std::optional<uint32_t> FirstPeimBase(uint32_t VolumeBase, TolvernFlash::PEIM_FILE_PARTS Parts,
                                      std::string &Problem);

} // namespace BuildFacts
