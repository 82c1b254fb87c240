// Field names are the record's own; numbers are plain JSON integers so that a
// consumer compares them without parsing hex.
#include "JsonReport.h"

#include "MapLayout.h"

#include <FlashMapJson.h>
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
  JSON Record = {{"address", Hex32(Inspection.Found.RecordAddress)},
                 {"size", Inspection.Found.RecordBytes.size()}};
  Record.update(FlashMapRecordJson(Inspection.Found.Record));
  return Record;
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
      {"descriptor", DescriptorJson(Found)},
      {"ppi", {{"address", Hex32(Found.PpiAddress)}, {"Record", Hex32(Found.RecordAddress)}}},
      {"record", RecordJson(Inspection)},
      {"layout", LayoutJson(Inspection.Found.Record)},
      {"checks", Checks},
      {"ok", AllPassed(Inspection.Checks)}};
  return Report.dump(2, ' ', false, JSON::error_handler_t::replace) + "\n";
}

} // namespace TolvernInspect
