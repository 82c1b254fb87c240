// The inspector's pipeline: file, relocations, descriptor, record, checks.
#include "Inspection.h"

#include "BaseRelocations.h"
#include "InspectError.h"

INSPECTION InspectImage(const std::string &Path) {
  const PE_IMAGE Image = OpenPeImage(Path);
  INSPECTION Inspection;
  Inspection.ImagePath = Path;
  Inspection.ImageBase = Image.ImageBase;
  Inspection.ImageSize = Image.Bytes.size();
  Inspection.Found = FindFlashMap(Image, ReadHighLowFixups(Image));
  const std::optional<DECODED_RECORD> Record = DecodeFlashMapRecord(Inspection.Found.RecordBytes);
  if (!Record) {
    throw INSPECT_ERROR("flash map record at " + Hex32(Inspection.Found.RecordVa) +
                        " cannot be decoded");
  }
  Inspection.Record = *Record;
  Inspection.Checks = CheckFlashMapRecord(Inspection.Found.RecordBytes);
  return Inspection;
}
