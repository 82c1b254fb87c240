#include "StatusName.h"

#include <cstdio>
#include <iterator>

namespace {

constexpr const char *kWarningNames[] = {"Success", "Warning Unknown Glyph",
                                         "Warning Delete Failure", "Warning Write Failure",
                                         "Warning Buffer Too Small"};
constexpr const char *kErrorNames[] = {
    "Load Error",  "Invalid Parameter", "Unsupported",     "Bad Buffer Size",  "Buffer Too Small",
    "Not Ready",   "Device Error",      "Write Protected", "Out of Resources", "Volume Corrupt",
    "Volume Full", "No Media",          "Media changed",   "Not Found",        "Access Denied",
    "No Response", "No mapping",        "Time out",        "Not started",      "Already started",
    "Aborted",     "ICMP Error",        "TFTP Error",      "Protocol Error"};
static_assert(std::size(kWarningNames) == 5 && std::size(kErrorNames) == 24,
              "success, four warnings and errors 1 to 24 have names");

} // namespace

std::string StatusName(EFI_STATUS Status) {
  if (Status < std::size(kWarningNames)) {
    return kWarningNames[Status];
  }
  const EFI_STATUS Code = Status & ~EFI_ERROR_BIT;
  if (EFI_ERROR(Status) && Code >= 1 && Code <= std::size(kErrorNames)) {
    return kErrorNames[Code - 1];
  }
  char Text[12];
  std::snprintf(Text, sizeof Text, "%08X", Status);
  return Text;
}
