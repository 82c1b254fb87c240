// Field names are the record's own; numbers are plain JSON integers so that a
// consumer compares them without parsing hex. A flash dump adds its volumes
// and files, whose addresses are hexadecimal text, each range ending with its
// last byte, inclusive.
#include "JsonReport.h"

#include "MapLayout.h"

#include "VolumeText.h"

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
  Entry["name"] = GuidText(File.Name);
  Entry["type"] = FileTypeName(File.Type);
  Entry["state"] = FileStateName(File.State);
  Entry["headerChecksum"] = File.HeaderChecksumValid;
  Entry["dataChecksum"] = File.DataChecksumValid ? JSON(*File.DataChecksumValid) : JSON(nullptr);
  Entry["userInterface"] = File.UserInterfaceName;
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
    Report["dump"]["path"] = Inspection.ImagePath;
    Report["volumes"] = VolumesJson(*Dump);
    Report["publisher"] = Inspection.MapFound ? JSON{{"name", Dump->PublisherName},
                                                     {"guid", Dump->PublisherGuid},
                                                     {"image", Hex32(Dump->PublisherImage)}}
                                              : JSON(nullptr);
  }
  if (Inspection.MapFound) {
    const PUBLISHED_FLASH_MAP &Found = Inspection.Found;
    Report["image"] = {{"path", Inspection.ImagePath},
                       {"bytes", Inspection.ImageSize},
                       {"imageBase", Inspection.ImageBase}};
    Report["descriptor"] = {{"address", Found.DescriptorAddress},
                            {"Flags", Found.Flags},
                            {"Guid", Found.GuidAddress},
                            {"Ppi", Found.PpiAddress},
                            {"guidText", GuidText(Found.GuidBytes)}};
    Report["ppi"] = {{"address", Found.PpiAddress}, {"Record", Found.RecordAddress}};
    Report["record"] = RecordJson(Inspection);
    Report["layout"] = LayoutJson(Found.Record);
    Report["checks"] = ChecksJson(Inspection.Checks);
  }
  if (Dump != nullptr) {
    Report["crossChecks"] = ChecksJson(Dump->CrossChecks);
  }
  Report["ok"] = InspectionSound(Inspection);
  return Report.dump(2) + "\n";
}

} // namespace TolvernInspect
