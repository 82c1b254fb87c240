#include "ConsumerPrint.h"

#include <Library/PrintLib.h>
#include <Library/SerialPortLib.h>

namespace {

constexpr UINTN LINE_SIZE = 256;

} // namespace

VOID ConsumerPrint(const CHAR8 *Format, ...) {
  CHAR8 Line[LINE_SIZE];
  VA_LIST Arguments;
  VA_START(Arguments, Format);
  UINTN Length = FormatWorker(Line, sizeof Line, Format, Arguments);
  VA_END(Arguments);
  UartWrite(reinterpret_cast<const UINT8 *>(Line), Length);
}
