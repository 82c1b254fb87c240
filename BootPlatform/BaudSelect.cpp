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
    CmosWrite(UART_BAUD_SELECT_CMOS_REGISTER, Selection->Value);
  }
  Selection->CmosBeforeModule = CmosRead(UART_BAUD_SELECT_CMOS_REGISTER);
}

VOID ReportBaudSelection(const BAUD_SELECTION *Selection) {
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
  ConsolePrint(", CMOS 0x6F was 0x%02X when the module ran\n", Selection->CmosBeforeModule);
}
