// Field names are the record's own. Addresses are hexadecimal text, sizes
// and block numbers plain numbers, and every range ends with its last byte,
// inclusive. A flash dump adds its volumes and files.
#include "JsonReport.h"

#include "MapLayout.h"

#include "VolumeText.h"

#include <FlashMapJson.h>
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

JSON ChecksJson(const std::vector<CHECK_RESULT> &Results) {
  JSON Checks = JSON::array();
  for (const CHECK_RESULT &Check : Results) {
    Checks.push_back({{"name", Check.Name}, {"passed", Check.Passed}, {"detail", Check.Detail}});
  }
  return Checks;
}

// Addresses as hexadecimal text; "end" is the last byte, inclusive.
JSON Extent(uint64_t Start, uint64_t Bytes) {
  return {{"start", Hex32(Start)}, {"end", Hex32(Start + Bytes - 1)}, {"bytes", Bytes}};
}

JSON FileJson(const FLASH_DUMP &Dump, const FIRMWARE_VOLUME &Volume, const FFS_FILE &File) {
  JSON Entry = Extent(Dump.Base + Volume.Offset + File.Offset, File.Size);
  // The file's GUID is its name in the file system; "name" is the one people
  // use, from its user-interface section, as for the publisher.
  Entry["guid"] = GuidText(File.Name);
  Entry["name"] = File.UserInterfaceName;
  Entry["type"] = FileTypeName(File.Type);
  Entry["state"] = FileStateName(File.State);
  Entry["headerChecksum"] = File.HeaderChecksumValid;
  Entry["dataChecksum"] = File.DataChecksumValid ? JSON(*File.DataChecksumValid) : JSON(nullptr);
  return Entry;
}

JSON VolumesJson(const FLASH_DUMP &Dump) {
  JSON Volumes = JSON::array();
  for (size_t Index = 0; Index < Dump.Volumes.size(); ++Index) {
    const FIRMWARE_VOLUME &Volume = Dump.Volumes[Index];
    const bool HeaderRead = Volume.Problem == FV_SOUND || FvProblemHasOffset(Volume.Problem);
    JSON Entry = HeaderRead ? Extent(Dump.Base + Volume.Offset, Volume.Length)
                            : JSON{{"start", Hex32(Dump.Base + Volume.Offset)}};
    const std::optional<size_t> Region =
        Index < Dump.VolumeRegions.size() ? Dump.VolumeRegions[Index] : std::nullopt;
    Entry["region"] = Region ? JSON(*Region) : JSON(nullptr);
    Entry["problem"] = Volume.Problem == FV_SOUND ? JSON(nullptr) : JSON(ProblemText(Volume));
    JSON Files = JSON::array();
    for (const FFS_FILE &File : Volume.Files) {
      Files.push_back(FileJson(Dump, Volume, File));
    }
    Entry["files"] = Files;
    Volumes.push_back(Entry);
  }
  return Volumes;
}

} // namespace

std::string JsonReport(const INSPECTION &Inspection) {
  JSON Report = JSON::object();
  const FLASH_DUMP *Dump = Inspection.Dump.get();
  if (Dump != nullptr) {
    Report["dump"] = Extent(Dump->Base, Dump->Bytes.size());
    Report["dump"]["path"] = PrintableText(Inspection.ImagePath);
    Report["volumes"] = VolumesJson(*Dump);
    Report["publisher"] = Inspection.MapFound ? JSON{{"name", Dump->PublisherName},
                                                     {"guid", Dump->PublisherGuid},
                                                     {"image", Hex32(Dump->PublisherImage)}}
                                              : JSON(nullptr);
  }
  if (Inspection.MapFound) {
    const PUBLISHED_FLASH_MAP &Found = Inspection.Found;
    Report["image"] = {{"path", PrintableText(Inspection.ImagePath)},
                       {"bytes", Inspection.ImageSize},
                       {"imageBase", Hex32(Inspection.ImageBase)},
                       {"runsInPlace", !Inspection.RunInPlaceProblem.has_value()}};
    if (Inspection.RunInPlaceProblem) {
      Report["image"]["runInPlaceProblem"] = *Inspection.RunInPlaceProblem;
    }
    Report["descriptor"] = DescriptorJson(Found);
    Report["ppi"] = {{"address", Hex32(Found.PpiAddress)}, {"Record", Hex32(Found.RecordAddress)}};
    Report["record"] = RecordJson(Inspection);
    Report["layout"] = LayoutJson(Found.Record);
    Report["checks"] = ChecksJson(Inspection.Checks);
  }
  if (Dump != nullptr) {
    Report["crossChecks"] = ChecksJson(Dump->CrossChecks);
  }
  Report["ok"] = InspectionSound(Inspection);
  return Report.dump(2, ' ', false, JSON::error_handler_t::replace) + "\n";
}

} // namespace TolvernInspect
