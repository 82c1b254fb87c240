// The inspector's pipeline: file, relocations, descriptor, record, checks.
#include "Inspection.h"

#include "FlashDump.h"
#include "InspectError.h"

#include <FlashMapSearch.h>

#include <fstream>

namespace TolvernInspect {

using namespace HostTools;

INSPECTION InspectImage(const std::string &Path) {
  std::string Problem;
  const std::optional<PE_FILE> Image = OpenPeFile(Path, Problem);
  if (!Image) {
    throw INSPECT_ERROR(Problem);
  }
  INSPECTION Inspection;
  Inspection.ImagePath = Path;
  Inspection.ImageBase = Image->ImageBase;
  Inspection.ImageSize = Image->Bytes.size();
  std::optional<PUBLISHED_FLASH_MAP> Found = FindFlashMap(*Image, Problem);
  if (!Found) {
    throw INSPECT_ERROR(Problem);
  }
  Inspection.Found = std::move(*Found);
  Inspection.Checks = CheckFlashMapRecord(Inspection.Found.RecordBytes);
  return Inspection;
}

INSPECTION Inspect(const std::string &Path) {
  // Anything that is not plainly a dump (unreadable, empty, starting "MZ")
  // goes the image's way, which says what is wrong with it.
  char Start[2] = {};
  std::ifstream File(Path, std::ios::binary);
  const bool Dump = File.read(Start, sizeof Start) && !(Start[0] == 'M' && Start[1] == 'Z');
  File.close();
  return Dump ? InspectFlashDump(Path) : InspectImage(Path);
}

const FIRMWARE_VOLUME *DamagedVolume(const INSPECTION &Inspection) {
  if (Inspection.Dump != nullptr) {
    for (const FIRMWARE_VOLUME &Volume : Inspection.Dump->Volumes) {
      if (Volume.Problem != FV_SOUND) {
        return &Volume;
      }
    }
  }
  return nullptr;
}

bool InspectionSound(const INSPECTION &Inspection) {
  return Inspection.MapFound && AllPassed(Inspection.Checks) &&
         DamagedVolume(Inspection) == nullptr &&
         (Inspection.Dump == nullptr || AllPassed(Inspection.Dump->CrossChecks));
}

} // namespace TolvernInspect
