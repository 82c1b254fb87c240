// CpuBreakpoint of the host build: observable by tests, never stops the process.
#include "HostBreakpoint.h"

#include <Library/BaseLib.h>

namespace {
UINTN Count = 0;
HOST_BREAKPOINT_OBSERVER Observer = nullptr;
VOID *ObserverContext = nullptr;
} // namespace

VOID CpuBreakpoint(VOID) {
  ++Count;
  if (Observer) {
    Observer(ObserverContext);
  }
}

UINTN HostBreakpointCount(VOID) {
  return Count;
}
VOID HostResetBreakpointCount(VOID) {
  Count = 0;
}

VOID HostSetBreakpointObserver(HOST_BREAKPOINT_OBSERVER NewObserver, VOID *Context) {
  Observer = NewObserver;
  ObserverContext = Context;
}
