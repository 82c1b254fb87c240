// The published flash map as the host tools read it out of bytes (an image
// file, emulated memory, a flash dump): the module's own record layout,
// decoded field by field so that the host's byte order does not matter.
#pragma once

#include <Ppi/FlashMap.h>

#include <cstdint>
#include <optional>
#include <span>

namespace HostTools {

constexpr size_t FLASH_MAP_RECORD_SIZE = sizeof(FLASH_MAP_RECORD);

// The descriptor the module publishes: the PPI flag and the end of its list.
constexpr uint32_t FLASH_MAP_DESCRIPTOR_FLAGS =
    EFI_PEI_PPI_DESCRIPTOR_PPI | EFI_PEI_PPI_DESCRIPTOR_TERMINATE_LIST;

constexpr EFI_GUID FLASH_MAP_GUID = FLASH_MAP_PPI_GUID;

// Decodes exactly FLASH_MAP_RECORD_SIZE bytes; any other length gives nothing.
std::optional<FLASH_MAP_RECORD> DecodeFlashMapRecord(std::span<const uint8_t> Bytes);

} // namespace HostTools
