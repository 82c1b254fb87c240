#include "DiagnosticsSupport.h"

#include <HostBreakpoint.h>
#include <Library/SerialPortLib.h>

namespace {

BOARD_SETUP UartWithFifos() {
  BOARD_SETUP Setup;
  Setup.UartLcr = 0x03;
  Setup.UartDivisor = 1;
  Setup.UartFifosEnabled = TRUE;
  return Setup;
}

} // namespace

std::string ReportText(const std::string &FileName, UINT32 Line, const std::string &Expression) {
  return "ASSERT " + FileName + "(" + std::to_string(Line) + "): " + Expression + "\r\n";
}

DiagnosticsTest::DiagnosticsTest() : Board(UartWithFifos()) {
  HostSetBreakpointObserver(&DiagnosticsTest::OnBreakpoint, this);
}

DiagnosticsTest::~DiagnosticsTest() {
  HostSetBreakpointObserver(nullptr, nullptr);
}

VOID DiagnosticsTest::OnBreakpoint(VOID *Context) {
  DiagnosticsTest *Self = static_cast<DiagnosticsTest *>(Context);
  Self->SentAtBreakpoint.push_back(Self->Transmitted());
}

std::string DiagnosticsTest::Transmitted() const {
  const std::vector<UINT8> &Bytes = Board.UartTransmitted();
  return std::string(Bytes.begin(), Bytes.end());
}

std::vector<UINTN> DiagnosticsTest::Bursts() const {
  std::vector<UINTN> Sizes;
  bool InBurst = false;
  for (const PORT_ACCESS &Access : Board.Trace()) {
    bool ToTransmitter = Access.IsWrite && Access.Width == 1 && Access.Port == UART_BASE;
    if (ToTransmitter && !InBurst) {
      Sizes.push_back(0);
    }
    if (ToTransmitter) {
      ++Sizes.back();
    }
    InBurst = ToTransmitter;
  }
  return Sizes;
}
