#include "BaudSelect.h"

#include "Console.h"
#include "FwCfg.h"
#include "PortIo.h"
#include "SelectorText.h"

namespace {

constexpr UINT16 CMOS_INDEX_PORT = 0x70;
constexpr UINT16 CMOS_DATA_PORT = 0x71;

// Index bit 7 stays clear, as the module leaves it (NMI not masked).
UINT8 CmosRead(UINT8 Register) {
  BootOut8(CMOS_INDEX_PORT, Register);
  return BootIn8(CMOS_DATA_PORT);
}

VOID CmosWrite(UINT8 Register, UINT8 Value) {
  BootOut8(CMOS_INDEX_PORT, Register);
  BootOut8(CMOS_DATA_PORT, Value);
}

} // namespace

VOID ApplyBaudSelection(BAUD_SELECTION *Selection) {
  Selection->Requested = FwCfgReadFile(BAUD_SELECT_FILE, Selection->Text, sizeof(Selection->Text));
  Selection->Valid = Selection->Requested && ParseSelectorText(Selection->Text, &Selection->Value);
  if (Selection->Valid) {
    CmosWrite(CMOS_BAUD_SELECT_REGISTER, Selection->Value);
  }
  Selection->CmosBeforeModule = CmosRead(CMOS_BAUD_SELECT_REGISTER);
}

VOID ReportBaudSelection(const BAUD_SELECTION *Selection) {
  ConsoleText("[boot] baud selector: ");
  if (!Selection->Requested) {
    ConsoleText("none requested");
  } else if (!Selection->Valid) {
    ConsoleText("bad text \"");
    ConsoleText(Selection->Text);
    ConsoleText("\" in " BAUD_SELECT_FILE " (want 0xNN or a decimal byte)");
    ConsoleLine("");
    return;
  } else {
    ConsoleHex(Selection->Value, 2);
    ConsoleText(" from " BAUD_SELECT_FILE);
  }
  ConsoleText(", CMOS 0x6F was ");
  ConsoleHex(Selection->CmosBeforeModule, 2);
  ConsoleLine(" when the module ran");
}
