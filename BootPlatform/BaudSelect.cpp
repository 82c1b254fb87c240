#include "BaudSelect.h"

#include "Cmos.h"
#include "Console.h"
#include "FwCfg.h"
#include "SelectorText.h"

#include <Library/IoLib.h>

namespace {

// Index bit 7 stays clear, as the module leaves it (NMI not masked).
UINT8 CmosRead(UINT8 Register) {
  PortOut8(CMOS_INDEX_PORT, Register);
  return PortIn8(CMOS_DATA_PORT);
}

VOID CmosWrite(UINT8 Register, UINT8 Value) {
  PortOut8(CMOS_INDEX_PORT, Register);
  PortOut8(CMOS_DATA_PORT, Value);
}

} // namespace

VOID ApplyBaudSelection(BAUD_SELECTION *Selection) {
  Selection->Requested = FwCfgReadFile(BAUD_SELECT_FILE, Selection->Text, sizeof(Selection->Text));
  Selection->Valid = Selection->Requested && ParseSelectorText(Selection->Text, &Selection->Value);
  if (Selection->Valid) {
    CmosWrite(UART_BAUD_SELECT_CMOS_REGISTER, Selection->Value);
  }
  Selection->CmosBeforeModule = CmosRead(UART_BAUD_SELECT_CMOS_REGISTER);
}

VOID ReportBaudSelection(const BAUD_SELECTION *Selection, BOOLEAN ModuleRan) {
  if (!Selection->Requested) {
    ConsolePrint("[boot] baud selector: none requested");
  } else if (!Selection->Valid) {
    ConsolePrint("[boot] baud selector: bad text \"%a\" in " BAUD_SELECT_FILE
                 " (want 0xNN or a decimal byte)\n",
                 Selection->Text);
    return;
  } else {
    ConsolePrint("[boot] baud selector: 0x%02X from " BAUD_SELECT_FILE, Selection->Value);
  }
  if (ModuleRan) {
    ConsolePrint(", CMOS 0x%02X was 0x%02X when the module ran\n", UART_BAUD_SELECT_CMOS_REGISTER,
                 Selection->CmosBeforeModule);
  } else {
    ConsolePrint(", CMOS 0x%02X reads 0x%02X; the module never ran\n",
                 UART_BAUD_SELECT_CMOS_REGISTER, Selection->CmosBeforeModule);
  }
}
