// The host build's breakpoint: CpuBreakpoint counts the trap and calls an
// optional observer, then returns as a resumed debugger would.
#pragma once

#include <Base.h>

typedef VOID (*HOST_BREAKPOINT_OBSERVER)(VOID *Context);

UINTN HostBreakpointCount(VOID);
VOID HostResetBreakpointCount(VOID);
VOID HostSetBreakpointObserver(HOST_BREAKPOINT_OBSERVER Observer, VOID *Context);
