// '%r': the name of a known status, otherwise its eight hexadecimal digits.
#include "PrintLibInternal.h"

const CHAR8 *ConvertStatus(EFI_STATUS Status, CHAR8 *Scratch) {
  // Warnings 0 to 4 are names 0 to 4; errors 1 to 24 follow them.
  UINT32 Index = Status;
  if ((Status & EFI_ERROR_BIT) != 0) {
    Index = (Status & ~EFI_ERROR_BIT) - 1;
    Index = Index < STATUS_ERROR_NAMES ? STATUS_WARNING_NAMES + Index : STATUS_NAME_COUNT;
  } else if (Status >= STATUS_WARNING_NAMES) {
    Index = STATUS_NAME_COUNT;
  }
  if (Index < STATUS_NAME_COUNT) {
    return StatusName(Index);
  }
  // What "%08X" prints.
  *WriteDigits(Scratch, Status, 8, 16) = 0;
  return Scratch;
}
