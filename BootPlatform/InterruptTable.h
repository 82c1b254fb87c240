// Exception handling while the module runs: a breakpoint is noted on the
// serial line and resumed; any other exception is reported and ends the boot
// as a failure.
#pragma once

#include "BootState.h"

// The frame the assembly stubs build: PUSHAD's registers, then the vector and
// error code (0 where the processor pushes none), then what the processor pushed.
typedef struct {
  UINT32 Edi, Esi, Ebp, Esp, Ebx, Edx, Ecx, Eax;
  UINT32 Vector;
  UINT32 ErrorCode;
  UINT32 Eip;
  UINT32 Cs;
  UINT32 Eflags;
} EXCEPTION_FRAME;

// Fills State->Idt with a gate per exception vector and loads IDTR with it.
VOID InstallInterruptTable(BOOT_STATE *State);

// Called by the stubs; returning resumes the interrupted code.
extern "C" VOID ExceptionDispatch(EXCEPTION_FRAME *Frame);
