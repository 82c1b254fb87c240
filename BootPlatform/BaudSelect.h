// The CMOS baud selector (register 0x6F) a boot asks for: taken from the
// emulator's configuration file opt/tolvern/baud-select and written to CMOS
// before the module runs. Without that file CMOS is left as the board has it.
#pragma once

#include <Library/SerialPortLib.h>

#define BAUD_SELECT_FILE "opt/tolvern/baud-select"

typedef struct {
  BOOLEAN Requested;      // the file exists
  BOOLEAN Valid;          // and holds a byte value (then it was written)
  UINT8 Value;            // the requested value
  UINT8 CmosBeforeModule; // register 0x6F as the boot platform left it for the module
  CHAR8 Text[16];         // the file's text, for the report
} BAUD_SELECTION;

VOID ApplyBaudSelection(BAUD_SELECTION *Selection);
// What was asked and what register 0x6F held for the module, or, when no
// PEIM ran (ModuleRan false), what it holds and that the module never ran.
VOID ReportBaudSelection(const BAUD_SELECTION *Selection, BOOLEAN ModuleRan);
