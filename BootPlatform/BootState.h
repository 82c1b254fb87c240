// What the boot platform keeps in RAM while PEIMs run. It lives in the frame
// of BootMain, which never returns; the exception handlers find it through
// the IDT register, since the interrupt table is its first member.
#pragma once

#include <Base.h>

#define BOOT_EXCEPTION_VECTORS 32
// Room for the dispatcher's lines until the first PEIM has returned.
#define BOOT_HELD_LOG_SIZE 2048

typedef struct {
  UINT16 OffsetLow;
  UINT16 Selector;
  UINT8 Reserved;
  UINT8 Type;
  UINT16 OffsetHigh;
} IDT_GATE;

static_assert(sizeof(IDT_GATE) == 8, "an IDT gate is 8 bytes");

typedef struct {
  IDT_GATE Idt[BOOT_EXCEPTION_VECTORS];
  UINT32 Breakpoints;
  // The PEIM running now, which breakpoint and exception notes are told
  // relative to; RunningSize is 0 between PEIMs.
  UINT32 RunningBase;
  UINT32 RunningSize;
  const CHAR16 *RunningName; // its user-interface name, or nullptr
  UINT32 PeimsCalled;        // 0 when the volume or every PEIM was refused
  // Lines held back while HoldLog is set (see BootLog.h).
  BOOLEAN HoldLog;
  BOOLEAN HeldLogCut; // some did not fit
  UINT32 HeldLength;
  CHAR8 HeldLog[BOOT_HELD_LOG_SIZE];
} BOOT_STATE;

static_assert(OFFSET_OF(BOOT_STATE, Idt) == 0, "the IDT base is the state's address");
