// PLACEHOLDER until the diagnostics land: reports are dropped.
#include <Library/DebugLib.h>

constexpr UINT32 DebugLevelMask = 0;

VOID DebugMessage(UINT32 Level, const CHAR8 *Format, ...) {
  (VOID) Level;
  (VOID) Format;
}

VOID AssertReport(const CHAR8 *FileName, UINT32 LineNumber, const CHAR8 *Expression) {
  (VOID) FileName;
  (VOID) LineNumber;
  (VOID) Expression;
}
