// The inspector's pipeline: file, relocations, descriptor, record, checks.
#include "Inspection.h"

#include "FlashDump.h"
#include "InspectError.h"

#include <FlashMapSearch.h>
#include <InputFile.h>
#include <RunInPlace.h>

namespace TolvernInspect {

using namespace HostTools;

INSPECTION InspectImage(const std::string &Path, std::vector<uint8_t> Bytes) {
  std::string Problem;
  const std::optional<PE_FILE> Image = ReadPeFile(std::move(Bytes), Problem);
  if (!Image) {
    throw INSPECT_ERROR(Problem);
  }
  INSPECTION Inspection;
  Inspection.ImagePath = Path;
  Inspection.ImageBase = Image->ImageBase;
  Inspection.ImageSize = Image->Bytes.size();
  Inspection.RunInPlaceProblem = CheckRunsInPlace(*Image);
  std::optional<PUBLISHED_FLASH_MAP> Found = FindFlashMap(*Image, Problem);
  if (!Found) {
    throw INSPECT_ERROR(Problem);
  }
  Inspection.Found = std::move(*Found);
  Inspection.Checks = CheckFlashMapRecord(Inspection.Found.RecordBytes);
  return Inspection;
}

INSPECTION Inspect(const std::string &Path) {
  std::string Problem;
  std::optional<std::vector<uint8_t>> Bytes = ReadInputFile(Path, Problem);
  if (!Bytes) {
    throw INSPECT_ERROR(Problem);
  }
  // Anything that is not plainly a dump (empty, or starting "MZ") goes the
  // image's way, which says what is wrong with it.
  const bool Dump = Bytes->size() >= 2 && !((*Bytes)[0] == 'M' && (*Bytes)[1] == 'Z');
  return Dump ? InspectFlashDump(Path, std::move(*Bytes)) : InspectImage(Path, std::move(*Bytes));
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
