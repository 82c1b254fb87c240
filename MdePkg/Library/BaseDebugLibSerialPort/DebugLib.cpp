// Debug messages and assertion reports, formatted on the stack and sent to
// the debug UART in one write each.
#include <Library/AssertSites.h>
#include <Library/BaseLib.h>
#include <Library/DebugLib.h>
#include <Library/PrintLib.h>
#include <Library/SerialPortLib.h>

// The build may pick these for bringing up a board (cmake/BuildOptions.cmake);
// without it they are the module's own.
#ifndef TOLVERN_DEBUG_LEVEL_MASK
#define TOLVERN_DEBUG_LEVEL_MASK 0
#endif
#ifndef TOLVERN_ASSERT_ACTION
#define TOLVERN_ASSERT_ACTION ASSERT_ACTION_BREAKPOINT
#endif

// By default no level is enabled: debug messages are compiled in but never printed.
constexpr UINT32 DebugLevelMask = TOLVERN_DEBUG_LEVEL_MASK;

namespace {

// What follows an assertion report.
enum ASSERT_ACTION {
  ASSERT_ACTION_BREAKPOINT, // INT3, then return: the module's own behaviour
  ASSERT_ACTION_DEADLOOP,   // stay, with the report on screen, until a debugger lets go
  ASSERT_ACTION_CONTINUE,   // return at once
};
constexpr ASSERT_ACTION AssertAction = TOLVERN_ASSERT_ACTION;

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
  if constexpr (AssertAction == ASSERT_ACTION_BREAKPOINT) {
    CpuBreakpoint();
  } else if constexpr (AssertAction == ASSERT_ACTION_DEADLOOP) {
    // A board without a debugger would reset on INT3 and lose the log. The
    // flag lives on the stack (the image has no writable data); from gdb,
    // `set var AssertLoopHold = 0` lets the module carry on.
    volatile BOOLEAN AssertLoopHold = TRUE;
    while (AssertLoopHold) {
    }
  }
}
