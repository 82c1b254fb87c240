// Finds the flash-map PPI descriptor in an image without symbols: a Flags word
// followed by a pointer to the flash-map GUID and a pointer to the PPI body,
// whose one pointer leads to the record.
#pragma once

#include <PeFile.h>
#include <PublishedFlashMap.h>

#include <cstdint>
#include <vector>

namespace TolvernInspect {

// Searches the image's loaded, read-only, file-backed sections at 32-bit
// aligned addresses. Exactly one descriptor must pass every test, including
// base relocations on its Guid and Ppi fields and on the PPI body's pointer
// (Fixups: the RVAs ReadHighLowFixups reads). Throws INSPECT_ERROR otherwise,
// naming the closest candidate's fault when there was one.
HostTools::PUBLISHED_FLASH_MAP FindFlashMap(const HostTools::PE_FILE &Image,
                                            const std::vector<uint32_t> &Fixups);

} // namespace TolvernInspect
