// The inspector's pipeline: file, relocations, descriptor, record, checks.
#include "Inspection.h"

#include "InspectError.h"

#include <BaseRelocations.h>

namespace TolvernInspect {

using namespace HostTools;

INSPECTION InspectImage(const std::string &Path) {
  std::string Problem;
  const std::optional<PE_FILE> Image = OpenPeFile(Path, Problem);
  if (!Image) {
    throw INSPECT_ERROR(Problem);
  }
  const std::optional<std::vector<uint32_t>> Fixups = ReadHighLowFixups(*Image, Problem);
  if (!Fixups) {
    throw INSPECT_ERROR(Problem);
  }
  INSPECTION Inspection;
  Inspection.ImagePath = Path;
  Inspection.ImageBase = Image->ImageBase;
  Inspection.ImageSize = Image->Bytes.size();
  Inspection.Found = FindFlashMap(*Image, *Fixups);
  Inspection.Checks = CheckFlashMapRecord(Inspection.Found.RecordBytes);
  return Inspection;
}

} // namespace TolvernInspect
