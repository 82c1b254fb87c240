// How the inspector names what it finds in a volume, in the table and in JSON.
#pragma once

#include <cstdint>
#include <string>

namespace TolvernInspect {

// "PEIM", "pad", "raw", ... or the type in hex.
std::string FileTypeName(uint8_t Type);

// A file's state (as it reads with erase polarity 0) by its highest bit:
// "valid", "data not valid", "deleted", ... or the byte in hex when no
// written file can have it.
std::string FileStateName(uint8_t State);

} // namespace TolvernInspect
