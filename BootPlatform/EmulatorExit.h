// Ends the emulator with a verdict through its debug-exit port. The process
// exits with (value << 1) | 1, so the verdicts read 33 (success) and 35
// (failure); without that device the processor halts.
#pragma once

#include <Base.h>

#define BOOT_EXIT_PORT 0xF4
#define BOOT_EXIT_SUCCESS 0x10
#define BOOT_EXIT_FAILURE 0x11

[[noreturn]] VOID EmulatorExit(BOOLEAN Success);
