#include "ConsumerPrint.h"

#include <Library/DebugLib.h>
#include <Library/SerialPortLib.h>

VOID ConsumerPrint(const CHAR8 *Format, ...) {
  LOG_LINE Line;
  VA_LIST Arguments;
  VA_START(Arguments, Format);
  FormatLogLine(&Line, Format, Arguments);
  VA_END(Arguments);
  UartWrite(reinterpret_cast<const UINT8 *>(Line.Text), Line.Length);
}
