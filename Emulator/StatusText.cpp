// Named by the module's own format engine, so the tool and the serial output
// never disagree on a status name.
#include "StatusText.h"

#include <Library/PrintLib.h>

namespace TolvernEmu {

std::string StatusText(EFI_STATUS Status) {
  char Name[64];
  FormatToBuffer(Name, sizeof Name, "%r", Status);
  return Name;
}

} // namespace TolvernEmu
