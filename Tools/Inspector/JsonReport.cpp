// Field names are the record's own; numbers are plain JSON integers so that a
// consumer compares them without parsing hex.
#include "JsonReport.h"

#include "MapLayout.h"

#include <Guid.h>
#include <MessageText.h>

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
                       {"Base", Hex32(Region.Base)},
                       {"Size", Region.Size},
                       {"FirstBlock", Region.FirstBlock},
                       {"LastBlock", Region.LastBlock}});
  }
  JSON SubRanges = JSON::array();
  for (size_t Index = 0; Index < FLASH_MAP_SUB_RANGE_COUNT; ++Index) {
    SubRanges.push_back({{"Index", Index},
                         {"Base", Hex32(R.SubRanges[Index].Base)},
                         {"Size", R.SubRanges[Index].Size}});
  }
  return {{"address", Hex32(Inspection.Found.RecordAddress)},
          {"size", Inspection.Found.RecordBytes.size()},
          {"BlockSize", R.BlockSize},
          {"FlashSize", R.FlashSize},
          {"FlashBase", Hex32(R.FlashBase)},
          {"FirmwareAreaSize", R.FirmwareAreaSize},
          {"FirmwareAreaBase", Hex32(R.FirmwareAreaBase)},
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
    // Both ends inclusive, as in the table: "end" is the last byte.
    Entry["start"] = Hex32(Row.Start);
    Entry["end"] = Hex32(Row.End - 1);
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
  JSON Image = {{"path", PrintableText(Inspection.ImagePath)},
                {"bytes", Inspection.ImageSize},
                {"imageBase", Hex32(Inspection.ImageBase)},
                {"runsInPlace", !Inspection.RunInPlaceProblem.has_value()}};
  if (Inspection.RunInPlaceProblem) {
    Image["runInPlaceProblem"] = *Inspection.RunInPlaceProblem;
  }
  const JSON Report = {
      {"image", Image},
      {"descriptor",
       {{"address", Hex32(Found.DescriptorAddress)},
        {"Flags", Hex32(Found.Flags)},
        {"Guid", Hex32(Found.GuidAddress)},
        {"Ppi", Hex32(Found.PpiAddress)},
        {"guidText", GuidText(Found.GuidBytes)}}},
      {"ppi", {{"address", Hex32(Found.PpiAddress)}, {"Record", Hex32(Found.RecordAddress)}}},
      {"record", RecordJson(Inspection)},
      {"layout", LayoutJson(Inspection.Found.Record)},
      {"checks", Checks},
      {"ok", AllPassed(Inspection.Checks)}};
  return Report.dump(2, ' ', false, JSON::error_handler_t::replace) + "\n";
}

} // namespace TolvernInspect
