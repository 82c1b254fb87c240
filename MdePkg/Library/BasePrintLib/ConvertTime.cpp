// '%t': month/day/year, two spaces, hour:minute.
#include "PrintLibInternal.h"

const CHAR8 *ConvertTime(const EFI_TIME *Time, CHAR8 *Scratch) {
  if (Time == nullptr) {
    return "<null time>";
  }
  FormatToBuffer(Scratch, VALUE_BUFFER_SIZE, "%02d/%02d/%04d  %02d:%02d", Time->Month, Time->Day,
                 Time->Year, Time->Hour, Time->Minute);
  return Scratch;
}
