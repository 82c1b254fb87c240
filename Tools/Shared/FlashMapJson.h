// The published flash map as every tool's JSON shows it: the descriptor and
// the record with the record's own field names, addresses as "0x%08X"
// strings, sizes and block numbers as numbers.
#pragma once

#include "PublishedFlashMap.h"

#include <nlohmann/json.hpp>

namespace HostTools {

// {"address", "Flags", "Guid", "Ppi", "guidText", "Record"}: where the
// descriptor lies, its three fields, the GUID's text and the PPI body's pointer.
nlohmann::ordered_json DescriptorJson(const PUBLISHED_FLASH_MAP &Map);

// Every field of the record in published order, the regions and sub-ranges
// with their indexes.
nlohmann::ordered_json FlashMapRecordJson(const FLASH_MAP_RECORD &Record);

} // namespace HostTools
