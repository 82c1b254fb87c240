#include "FlashMapJson.h"

#include "Guid.h"
#include "MessageText.h"

namespace HostTools {

nlohmann::ordered_json DescriptorJson(const PUBLISHED_FLASH_MAP &Map) {
  return {{"address", Hex32(Map.DescriptorAddress)}, {"Flags", Hex32(Map.Flags)},
          {"Guid", Hex32(Map.GuidAddress)},          {"Ppi", Hex32(Map.PpiAddress)},
          {"guidText", GuidText(Map.GuidBytes)},     {"Record", Hex32(Map.RecordAddress)}};
}

nlohmann::ordered_json FlashMapRecordJson(const FLASH_MAP_RECORD &Record) {
  nlohmann::ordered_json Regions = nlohmann::ordered_json::array();
  for (size_t Index = 0; Index < FLASH_MAP_REGION_COUNT; ++Index) {
    const FLASH_REGION &Region = Record.Regions[Index];
    Regions.push_back({{"Index", Index},
                       {"Base", Hex32(Region.Base)},
                       {"Size", Region.Size},
                       {"FirstBlock", Region.FirstBlock},
                       {"LastBlock", Region.LastBlock}});
  }
  nlohmann::ordered_json SubRanges = nlohmann::ordered_json::array();
  for (size_t Index = 0; Index < FLASH_MAP_SUB_RANGE_COUNT; ++Index) {
    SubRanges.push_back({{"Index", Index},
                         {"Base", Hex32(Record.SubRanges[Index].Base)},
                         {"Size", Record.SubRanges[Index].Size}});
  }
  return {{"BlockSize", Record.BlockSize},
          {"FlashSize", Record.FlashSize},
          {"FlashBase", Hex32(Record.FlashBase)},
          {"FirmwareAreaSize", Record.FirmwareAreaSize},
          {"FirmwareAreaBase", Hex32(Record.FirmwareAreaBase)},
          {"Regions", Regions},
          {"SubRanges", SubRanges},
          {"Trailer", Record.Trailer}};
}

} // namespace HostTools
