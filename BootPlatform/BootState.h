// What the boot platform keeps in RAM while the module runs. It lives in the
// frame of BootMain, which never returns; the exception handlers find it
// through the IDT register, since the interrupt table is its first member.
#pragma once

#include <Base.h>

#define BOOT_EXCEPTION_VECTORS 32

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
  UINT32 ModuleBase; // where breakpoint notes are told relative to
  UINT32 ModuleSize;
} BOOT_STATE;

static_assert(OFFSET_OF(BOOT_STATE, Idt) == 0, "the IDT base is the state's address");
