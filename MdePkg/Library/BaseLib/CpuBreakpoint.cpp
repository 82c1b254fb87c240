// The image's breakpoint: INT3, resumed by whoever handles the trap.
#include <Library/BaseLib.h>

VOID CpuBreakpoint(VOID) {
  __asm__ __volatile__("int3" : : : "memory");
}
