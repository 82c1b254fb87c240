// The format engine names status codes for the emulator's report; linked
// without the module's debug library, it reports a broken precondition here.
// The emulator never hands it a null buffer or format, so a report is a fault
// in the tool: the run ends with one line saying where.
#include <Library/DebugLib.h>

#include <stdexcept>
#include <string>

VOID AssertReport(const CHAR8 *FileName, UINT32 LineNumber, const CHAR8 *Expression) {
  throw std::logic_error("the format engine's assertion failed: " + std::string(FileName) + "(" +
                         std::to_string(LineNumber) + "): " + Expression);
}
