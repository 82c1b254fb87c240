// The inspector's pipeline: file, relocations, descriptor, record, checks.
#include "Inspection.h"

#include "InspectError.h"

#include <FlashMapSearch.h>
#include <RunInPlace.h>

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
  Inspection.RunInPlaceProblem = CheckRunsInPlace(*Image);
  std::optional<PUBLISHED_FLASH_MAP> Found = FindFlashMap(*Image, Problem);
  if (!Found) {
    throw INSPECT_ERROR(Problem);
  }
  Inspection.Found = std::move(*Found);
  Inspection.Checks = CheckFlashMapRecord(Inspection.Found.RecordBytes);
  return Inspection;
}

} // namespace TolvernInspect
