// Field names are the record's own; numbers are plain JSON integers so that a
// consumer compares them without parsing hex.
#include "JsonReport.h"

#include "MapLayout.h"

#include <Guid.h>

#include <nlohmann/json.hpp>

#include <iterator>

namespace TolvernInspect {

using namespace HostTools;

namespace {

using JSON = nlohmann::ordered_json;

// JSON names of the layout's row kinds, in MAP_ROW_KIND's order.
constexpr const char *KIND_NAMES[] = {"region", "below-firmware-area", "gap"};
static_assert(std::size(KIND_NAMES) == static_cast<size_t>(MAP_ROW_KIND::Gap) + 1,
              "a name per kind");

JSON RecordJson(const INSPECTION &Inspection) {
  const FLASH_MAP_RECORD &R = Inspection.Found.Record;
  JSON Regions = JSON::array();
  for (size_t Index = 0; Index < FLASH_MAP_REGION_COUNT; ++Index) {
    const FLASH_REGION &Region = R.Regions[Index];
    Regions.push_back({{"Index", Index},
                       {"Base", Region.Base},
                       {"Size", Region.Size},
                       {"FirstBlock", Region.FirstBlock},
                       {"LastBlock", Region.LastBlock}});
  }
  JSON SubRanges = JSON::array();
  for (size_t Index = 0; Index < FLASH_MAP_SUB_RANGE_COUNT; ++Index) {
    SubRanges.push_back(
        {{"Index", Index}, {"Base", R.SubRanges[Index].Base}, {"Size", R.SubRanges[Index].Size}});
  }
  return {{"address", Inspection.Found.RecordAddress},
          {"size", Inspection.Found.RecordBytes.size()},
          {"BlockSize", R.BlockSize},
          {"FlashSize", R.FlashSize},
          {"FlashBase", R.FlashBase},
          {"FirmwareAreaSize", R.FirmwareAreaSize},
          {"FirmwareAreaBase", R.FirmwareAreaBase},
          {"Regions", Regions},
          {"SubRanges", SubRanges},
          {"Trailer", R.Trailer}};
}

JSON LayoutJson(const FLASH_MAP_RECORD &R) {
  JSON Rows = JSON::array();
  for (const MAP_ROW &Row : LayOutFlashMap(R)) {
    JSON Entry = {{"kind", KIND_NAMES[static_cast<size_t>(Row.Kind)]}};
    if (Row.Kind == MAP_ROW_KIND::Region) {
      Entry["index"] = Row.Index;
      Entry["overlaps"] = Row.Overlaps;
      Entry["outsideDevice"] = Row.OutsideDevice;
    }
    Entry["start"] = Row.Start;
    Entry["end"] = Row.End;
    Entry["firstBlock"] = BlockOf(R, Row.Start);
    Entry["lastBlock"] = Row.End > Row.Start ? BlockOf(R, Row.End - 1) : -1;
    Rows.push_back(Entry);
  }
  return Rows;
}

} // namespace

std::string JsonReport(const INSPECTION &Inspection) {
  const PUBLISHED_FLASH_MAP &Found = Inspection.Found;
  JSON Checks = JSON::array();
  for (const CHECK_RESULT &Check : Inspection.Checks) {
    Checks.push_back({{"name", Check.Name}, {"passed", Check.Passed}, {"detail", Check.Detail}});
  }
  const JSON Report = {{"image",
                        {{"path", Inspection.ImagePath},
                         {"bytes", Inspection.ImageSize},
                         {"imageBase", Inspection.ImageBase}}},
                       {"descriptor",
                        {{"address", Found.DescriptorAddress},
                         {"Flags", Found.Flags},
                         {"Guid", Found.GuidAddress},
                         {"Ppi", Found.PpiAddress},
                         {"guidText", GuidText(Found.GuidBytes)}}},
                       {"ppi", {{"address", Found.PpiAddress}, {"Record", Found.RecordAddress}}},
                       {"record", RecordJson(Inspection)},
                       {"layout", LayoutJson(Inspection.Found.Record)},
                       {"checks", Checks},
                       {"ok", AllPassed(Inspection.Checks)}};
  return Report.dump(2) + "\n";
}

} // namespace TolvernInspect
