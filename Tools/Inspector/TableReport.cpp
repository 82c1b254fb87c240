// Rows go in address order so the gaps show where they are; each region keeps
// its published index in the first column.
#include "TableReport.h"

#include "Formatting.h"
#include "MapLayout.h"

#include <Guid.h>
#include <MessageText.h>

#include <cstdarg>
#include <cstdio>

namespace TolvernInspect {

using namespace HostTools;

namespace {

std::string Line(const char *Format, ...) __attribute__((format(printf, 1, 2)));

// One formatted line, without trailing blanks from empty last columns.
std::string Line(const char *Format, ...) {
  va_list Arguments;
  va_start(Arguments, Format);
  va_list Again;
  va_copy(Again, Arguments);
  const int Length = std::vsnprintf(nullptr, 0, Format, Arguments);
  va_end(Arguments);
  std::string Text(Length > 0 ? static_cast<size_t>(Length) : 0, '\0');
  std::vsnprintf(Text.data(), Text.size() + 1, Format, Again);
  va_end(Again);
  Text.erase(Text.find_last_not_of(' ') + 1);
  return Text + "\n";
}

std::string EndText(uint64_t Start, uint64_t End) {
  return End > Start ? Hex32(End - 1) : "(empty)";
}

std::string RowNote(const MAP_ROW &Row) {
  switch (Row.Kind) {
  case MAP_ROW_KIND::BelowFirmwareArea:
    return "unmapped, below the firmware area";
  case MAP_ROW_KIND::Gap:
    return "gap: firmware area, in no region";
  case MAP_ROW_KIND::Region:
    break;
  }
  std::string Note;
  if (Row.Overlaps) {
    Note += "OVERLAPS the row above ";
  }
  if (Row.OutsideDevice) {
    Note += "OUTSIDE the device";
  }
  return Note;
}

std::string RegionRows(const FLASH_MAP_RECORD &R) {
  std::string Text =
      Line("%-7s %-10s  %-10s  %9s  %-8s  %s", "Region", "Start", "End", "Size KiB", "Blocks", "");
  for (const MAP_ROW &Row : LayOutFlashMap(R)) {
    std::string Index = "--";
    std::string Blocks = BlockRangeText(R, Row.Start, Row.End);
    if (Row.Kind == MAP_ROW_KIND::Region) {
      const FLASH_REGION &Region = R.Regions[Row.Index];
      Index = std::to_string(Row.Index);
      Blocks = std::to_string(Region.FirstBlock) + "-" + std::to_string(Region.LastBlock);
    }
    const std::string Note = RowNote(Row);
    Text += Line("%-7s %-10s  %-10s  %9s  %-8s  %s", Index.c_str(), Hex32(Row.Start).c_str(),
                 EndText(Row.Start, Row.End).c_str(), KiBText(Row.End - Row.Start).c_str(),
                 Blocks.c_str(), Note.c_str());
  }
  return Text;
}

std::string SubRangeRows(const FLASH_MAP_RECORD &R) {
  const std::optional<size_t> Region = SubRangeRegion(R);
  std::string Text =
      Region ? Line("Sub-ranges of region %zu", *Region) : Line("Sub-ranges, in no region");
  Text += Line("%-7s %-10s  %-10s  %9s", "Sub", "Start", "End", "Size KiB");
  for (size_t Index = 0; Index < FLASH_MAP_SUB_RANGE_COUNT; ++Index) {
    const FLASH_SUB_RANGE &Sub = R.SubRanges[Index];
    const uint64_t End = uint64_t{Sub.Base} + Sub.Size;
    Text += Line("%-7zu %-10s  %-10s  %9s", Index, Hex32(Sub.Base).c_str(),
                 EndText(Sub.Base, End).c_str(), KiBText(Sub.Size).c_str());
  }
  return Text;
}

std::string CheckRows(const std::vector<CHECK_RESULT> &Checks) {
  size_t Failed = 0;
  std::string Failures;
  for (const CHECK_RESULT &Check : Checks) {
    if (!Check.Passed) {
      ++Failed;
      Failures += Line("  FAILED %s: %s", Check.Name.c_str(), Check.Detail.c_str());
    }
  }
  return Line("Checks: %zu passed, %zu failed", Checks.size() - Failed, Failed) + Failures;
}

} // namespace

std::string TableReport(const INSPECTION &Inspection) {
  const PUBLISHED_FLASH_MAP &Found = Inspection.Found;
  const FLASH_MAP_RECORD &R = Inspection.Found.Record;
  const uint64_t DeviceEnd = uint64_t{R.FlashBase} + R.FlashSize;
  const uint64_t AreaEnd = uint64_t{R.FirmwareAreaBase} + R.FirmwareAreaSize;

  std::string Text = Line("Flash map published by %s", PrintableText(Inspection.ImagePath).c_str());
  Text +=
      Line("  runs in place: %s",
           Inspection.RunInPlaceProblem ? ("NO, " + *Inspection.RunInPlaceProblem).c_str() : "yes");
  Text += Line("  descriptor %s  Flags %s  GUID %s", Hex32(Found.DescriptorAddress).c_str(),
               Hex32(Found.Flags).c_str(), GuidText(Found.GuidBytes).c_str());
  Text += Line("  PPI body   %s  -> record %s (%zu bytes)", Hex32(Found.PpiAddress).c_str(),
               Hex32(Found.RecordAddress).c_str(), Found.RecordBytes.size());
  Text += "\n";
  Text += Line("%-14s %-10s  %-10s  %9s  %-8s  %s", "", "Start", "End", "Size KiB", "Blocks", "");
  Text += Line("%-14s %-10s  %-10s  %9s  %-8s  block size %s KiB", "Flash device",
               Hex32(R.FlashBase).c_str(), EndText(R.FlashBase, DeviceEnd).c_str(),
               KiBText(R.FlashSize).c_str(), BlockRangeText(R, R.FlashBase, DeviceEnd).c_str(),
               KiBText(R.BlockSize).c_str());
  Text += Line("%-14s %-10s  %-10s  %9s  %-8s", "Firmware area", Hex32(R.FirmwareAreaBase).c_str(),
               EndText(R.FirmwareAreaBase, AreaEnd).c_str(), KiBText(R.FirmwareAreaSize).c_str(),
               BlockRangeText(R, R.FirmwareAreaBase, AreaEnd).c_str());
  Text += "\n" + RegionRows(R) + "\n" + SubRangeRows(R) + "\n";
  Text += Line("Trailer  %s (%s KiB)", Hex32(R.Trailer).c_str(), KiBText(R.Trailer).c_str());
  Text += "\n" + CheckRows(Inspection.Checks);
  return Text;
}

} // namespace TolvernInspect
