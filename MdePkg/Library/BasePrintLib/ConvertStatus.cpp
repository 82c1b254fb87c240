// '%r': the name of a known status, otherwise its eight hexadecimal digits.
#include "PrintLibInternal.h"

const CHAR8 *ConvertStatus(EFI_STATUS Status, CHAR8 *Scratch) {
  if ((Status & EFI_ERROR_BIT) != 0) {
    UINT32 Code = Status & ~EFI_ERROR_BIT;
    if (Code >= 1 && Code <= STATUS_ERROR_NAMES) {
      return StatusName(STATUS_WARNING_NAMES - 1 + Code);
    }
  } else if (Status < STATUS_WARNING_NAMES) {
    return StatusName(Status);
  }
  // What "%08X" prints.
  *WriteDigits(Scratch, Status, 8, 16) = 0;
  return Scratch;
}
