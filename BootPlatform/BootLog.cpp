#include "BootLog.h"

#include "Console.h"

#include <Library/PrintLib.h>

namespace {

constexpr UINTN LINE_SIZE = 256;

} // namespace

VOID BootLogHold(BOOT_STATE *State) {
  State->HoldLog = TRUE;
  State->HeldLogCut = FALSE;
  State->HeldLength = 0;
}

VOID BootLog(BOOT_STATE *State, const CHAR8 *Format, ...) {
  CHAR8 Line[LINE_SIZE];
  VA_LIST Arguments;
  VA_START(Arguments, Format);
  UINTN Length = FormatWorker(Line, sizeof Line, Format, Arguments);
  VA_END(Arguments);
  if (!State->HoldLog) {
    ConsoleWrite(Line, Length);
    return;
  }
  if (Length > BOOT_HELD_LOG_SIZE - State->HeldLength) {
    State->HeldLogCut = TRUE;
    return;
  }
  for (UINTN Index = 0; Index < Length; ++Index) {
    State->HeldLog[State->HeldLength++] = Line[Index];
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
