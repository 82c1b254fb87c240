// The inspector's pipeline: file, relocations, descriptor, record, checks.
#include "Inspection.h"

#include "BaseRelocations.h"
#include "InspectError.h"
#include "MessageText.h"

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
  const std::optional<DECODED_RECORD> Record = DecodeFlashMapRecord(Inspection.Found.RecordBytes);
  if (!Record) {
    throw INSPECT_ERROR("flash map record at " + Hex32(Inspection.Found.RecordVa) +
                        " cannot be decoded");
  }
  Inspection.Record = *Record;
  Inspection.Checks = CheckFlashMapRecord(Inspection.Found.RecordBytes);
  return Inspection;
}
