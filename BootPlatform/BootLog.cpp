#include "BootLog.h"

#include "Console.h"

#include <Library/DebugLib.h>

VOID BootLogHold(BOOT_STATE *State) {
  State->HoldLog = TRUE;
  State->HeldLogCut = FALSE;
  State->HeldLength = 0;
}

VOID BootLog(BOOT_STATE *State, const CHAR8 *Format, ...) {
  LOG_LINE Line;
  VA_LIST Arguments;
  VA_START(Arguments, Format);
  FormatLogLine(&Line, Format, Arguments);
  VA_END(Arguments);
  if (!State->HoldLog) {
    ConsoleWrite(Line.Text, Line.Length);
    return;
  }
  if (Line.Length > BOOT_HELD_LOG_SIZE - State->HeldLength) {
    State->HeldLogCut = TRUE;
    return;
  }
  for (UINTN Index = 0; Index < Line.Length; ++Index) {
    State->HeldLog[State->HeldLength++] = Line.Text[Index];
  }
}

VOID BootLogRelease(BOOT_STATE *State) {
  if (!State->HoldLog) {
    return;
  }
  State->HoldLog = FALSE;
  ConsoleWrite(State->HeldLog, State->HeldLength);
  if (State->HeldLogCut) {
    ConsolePrint("[pei] (lines left out: more than %d bytes were held)\n", BOOT_HELD_LOG_SIZE);
  }
}
