#include "DumpTable.h"

#include "TableReport.h"
#include "VolumeText.h"

#include <Guid.h>
#include <MessageText.h>

#include <Pi/PiFirmwareFile.h>
#include <Pi/PiFirmwareVolume.h>

namespace TolvernInspect {

using namespace HostTools;

namespace {

std::string Padded(std::string Text, size_t Width) {
  Text.resize(std::max(Text.size(), Width), ' ');
  return Text;
}

std::string FileRow(const FLASH_DUMP &Dump, const FIRMWARE_VOLUME &Volume, const FFS_FILE &File) {
  const uint64_t Start = Dump.Base + Volume.Offset + File.Offset;
  const char *Data = !File.DataChecksumValid ? "-" : *File.DataChecksumValid ? "ok" : "BAD";
  std::string Row = "  " + Padded(Hex32(Start), 12) + Padded(Hex32(File.Size), 12) +
                    Padded(FileTypeName(File.Type), 10) + Padded(FileStateName(File.State), 18) +
                    Padded(File.HeaderChecksumValid ? "ok" : "BAD", 8) + Padded(Data, 6) +
                    GuidText(File.Name);
  if (!File.UserInterfaceName.empty()) {
    Row += " " + File.UserInterfaceName;
  } else if (File.Name == GuidBytes(EFI_GUID EFI_FFS_VOLUME_TOP_FILE_GUID)) {
    Row += " (volume top file)";
  }
  return Row + "\n";
}

std::string VolumeRows(const FLASH_DUMP &Dump, size_t Index) {
  const FIRMWARE_VOLUME &Volume = Dump.Volumes[Index];
  const uint64_t Start = Dump.Base + Volume.Offset;
  std::string Text = "Volume at " + Hex32(Start);
  if (Volume.Problem == FV_SOUND || FvProblemHasOffset(Volume.Problem)) {
    Text += "-" + Hex32(Start + Volume.Length - 1) + ", " + std::to_string(Volume.Length) +
            " bytes, FFS2, erase polarity " +
            ((Volume.Attributes & EFI_FVB2_ERASE_POLARITY) != 0 ? "1" : "0") + ", " +
            std::to_string(Volume.Files.size()) + " files";
  }
  if (Index < Dump.VolumeRegions.size() && Dump.VolumeRegions[Index]) {
    Text += ", in region " + std::to_string(*Dump.VolumeRegions[Index]);
  }
  Text += "\n";
  if (!Volume.Files.empty()) {
    Text += "  " + Padded("Address", 12) + Padded("Size", 12) + Padded("Type", 10) +
            Padded("State", 18) + Padded("Header", 8) + Padded("Data", 6) + "Name\n";
  }
  for (const FFS_FILE &File : Volume.Files) {
    Text += FileRow(Dump, Volume, File);
  }
  if (Volume.Problem != FV_SOUND) {
    Text += "  DAMAGED: " + ProblemText(Volume) + "\n";
  }
  return Text;
}

std::string CrossCheckRows(const std::vector<CHECK_RESULT> &Checks) {
  size_t Failed = 0;
  std::string Rows;
  for (const CHECK_RESULT &Check : Checks) {
    Failed += Check.Passed ? 0 : 1;
    Rows +=
        std::string(Check.Passed ? "  ok " : "  FAILED ") + Check.Name + ": " + Check.Detail + "\n";
  }
  return "Cross-checks against the map: " + std::to_string(Checks.size() - Failed) + " passed, " +
         std::to_string(Failed) + " failed\n" + Rows;
}

} // namespace

std::string DumpTable(const INSPECTION &Inspection) {
  const FLASH_DUMP &Dump = *Inspection.Dump;
  std::string Text = "Flash image " + Inspection.ImagePath + ": " +
                     std::to_string(Dump.Bytes.size()) + " bytes at " + Hex32(Dump.Base) + "-" +
                     Hex32(Dump.Base + Dump.Bytes.size() - 1) + "\n\n";
  for (size_t Index = 0; Index < Dump.Volumes.size(); ++Index) {
    Text += VolumeRows(Dump, Index) + "\n";
  }
  if (!Inspection.MapFound) {
    return Text + "No PEIM in it publishes the flash map.\n";
  }
  Text += "The PEIM " + Dump.PublisherName + " {" + Dump.PublisherGuid +
          "} publishes the flash map; its image lies at " + Hex32(Dump.PublisherImage) + "\n\n";
  return Text + TableReport(Inspection) + "\n" + CrossCheckRows(Dump.CrossChecks);
}

} // namespace TolvernInspect
