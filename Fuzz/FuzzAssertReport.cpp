// The fuzzer never passes a null buffer or format: any assertion report is a
// fault in the engine.
#include <Library/DebugLib.h>

#include <cstdio>
#include <cstdlib>

VOID AssertReport(const CHAR8 *FileName, UINT32 LineNumber, const CHAR8 *Expression) {
  std::fprintf(stderr, "unexpected assertion report: %s(%u): %s\n", FileName, LineNumber,
               Expression);
  std::abort();
}
