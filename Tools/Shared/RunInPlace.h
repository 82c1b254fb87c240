// Whether an image file can execute where it lies in flash, unloaded: the file
// must be its own memory image and its entry point must be in its code.
#pragma once

#include "PeFile.h"

#include <optional>
#include <string>

namespace HostTools {

// Why File cannot run in place, or nothing when it can: a section alignment
// that is not a power of two, an image larger than the flash device or running
// past 4 GiB, headers or sections outside SizeOfImage, a section whose file
// offset differs from its RVA, a section with bytes that are not in the file
// (zero-fill cannot live in flash), or an entry point in no executable section.
// The emulator refuses such an image; the inspector and the flash image
// builder report the same verdict.
std::optional<std::string> CheckRunsInPlace(const PE_FILE &File);

} // namespace HostTools
