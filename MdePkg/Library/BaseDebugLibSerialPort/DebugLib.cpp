// Debug messages and assertion reports, formatted on the stack and sent to
// the debug UART in one write each.
#include <Library/AssertSites.h>
#include <Library/BaseLib.h>
#include <Library/DebugLib.h>
#include <Library/PrintLib.h>
#include <Library/SerialPortLib.h>

// No level is enabled: debug messages are compiled in but never printed.
constexpr UINT32 DebugLevelMask = 0;

namespace {

VOID SendText(const CHAR8 *Text) {
  UartWrite(reinterpret_cast<const UINT8 *>(Text), AsciiLength(Text));
}

} // namespace

VOID DebugMessage(UINT32 Level, const CHAR8 *Format, ...) {
  if (Format == nullptr) {
    REPORT_ASSERT_SITE(ASSERT_SITE_DEBUG_FORMAT);
  }
  if ((Level & DebugLevelMask) == 0) {
    return;
  }
  CHAR8 Buffer[DEBUG_BUFFER_SIZE];
  VA_LIST Arguments;
  VA_START(Arguments, Format);
  FormatWorker(Buffer, sizeof(Buffer), Format, Arguments);
  VA_END(Arguments);
  SendText(Buffer);
}

// Out of line: each site then costs only its call.
__attribute__((noinline)) VOID AssertReport(const CHAR8 *FileName, UINT32 LineNumber,
                                            const CHAR8 *Expression) {
  CHAR8 Buffer[DEBUG_BUFFER_SIZE];
  // The count written is the report's length: strings stop at their NUL and
  // a number has none, so the text holds no NUL of its own.
  UINTN Length = FormatToBuffer(Buffer, sizeof(Buffer), "ASSERT %a(%d): %a\n", FileName, LineNumber,
                                Expression);
  UartWrite(reinterpret_cast<const UINT8 *>(Buffer), Length);
  CpuBreakpoint();
}
