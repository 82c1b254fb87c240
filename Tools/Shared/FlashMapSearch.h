// Finds the flash-map PPI descriptor in an image without symbols: a Flags word
// followed by a pointer to the flash-map GUID and a pointer to the PPI body,
// whose one pointer leads to the record.
#pragma once

#include "PeFile.h"
#include "PublishedFlashMap.h"

#include <optional>
#include <string>

namespace HostTools {

// Searches the image's loaded, read-only, file-backed sections at 32-bit
// aligned addresses. Exactly one descriptor must pass every test, including
// base relocations on its Guid and Ppi fields and on the PPI body's pointer.
// Otherwise gives nothing and one line in Problem, naming the closest
// candidate's fault when there was one.
std::optional<PUBLISHED_FLASH_MAP> FindFlashMap(const PE_FILE &Image, std::string &Problem);

} // namespace HostTools
