// The variadic front of the format engine.
#include <Library/PrintLib.h>

UINTN FormatToBuffer(CHAR8 *Buffer, UINTN BufferSize, const CHAR8 *Format, ...) {
  VA_LIST Arguments;
  VA_START(Arguments, Format);
  UINTN Count = FormatWorker(Buffer, BufferSize, Format, Arguments);
  VA_END(Arguments);
  return Count;
}
