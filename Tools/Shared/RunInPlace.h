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
// (zero-fill cannot live in flash), an entry point in no executable section,
// or a SizeOfImage larger than the file. How its link address is aligned does
// not count: the file's layout is what makes it run where it lies.
// This is the one verdict: the emulator refuses such an image, the flash image
// builder refuses such a PEIM, and the inspector reports it.
std::optional<std::string> CheckRunsInPlace(const PE_FILE &File);

} // namespace HostTools
