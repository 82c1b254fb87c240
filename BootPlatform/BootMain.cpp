// The boot platform's 32-bit part: it prepares what a PEI Foundation would,
// dispatches the PEIMs of the boot firmware volume (the module and the
// consumer of its flash map), then reads back what the module did and ends
// the emulator with a verdict.
//
// Nothing goes out on the serial line before the first PEIM has returned:
// the module must find the UART exactly as the board left it at reset, so
// that its "already configured" check sees the board's state and not ours.
// The dispatcher's early lines wait in RAM (BootLog.h). Only a refusal to
// start, or an exception, prints earlier.
#include "BaudSelect.h"
#include "BootLog.h"
#include "BootState.h"
#include "Console.h"
#include "Dispatcher.h"
#include "EmulatorExit.h"
#include "InterruptTable.h"
#include "PeiCore.h"
#include "UartSettings.h"

extern "C" [[noreturn]] VOID BootMain(VOID) {
  BOOT_STATE State;
  State.Breakpoints = 0;
  State.RunningBase = 0;
  State.RunningSize = 0;
  State.RunningName = nullptr;
  State.PeimsCalled = 0;
  BootLogHold(&State);
  InstallInterruptTable(&State);

  BAUD_SELECTION Baud;
  ApplyBaudSelection(&Baud);
  if (Baud.Requested && !Baud.Valid) {
    ReportBaudSelection(&Baud, FALSE);
    ConsolePrint("[boot] not starting the module\n");
    EmulatorExit(FALSE);
  }

  PEI_CORE_INSTANCE Core;
  PeiCoreInitialize(&Core);
  BOOLEAN Dispatched = DispatchBootVolume(&State, &Core, BOOT_VOLUME_BASE);
  BootLogRelease(&State);

  if (State.PeimsCalled != 0) {
    UART_SETTINGS Uart;
    ReadUartSettings(&Uart);
    ReportBaudSelection(&Baud, TRUE);
    ReportUartSettings(&Uart);
  } else {
    // A refused volume or module leaves the UART and the LPC decode as the
    // board has them: nothing of the module's to read back.
    ReportBaudSelection(&Baud, FALSE);
  }
  ConsolePrint("[boot] InstallPpi calls: %d, descriptors recorded: %d\n", Core.InstallCalls,
               Core.PpiCount);
  ConsolePrint("[boot] breakpoints: %d\n", State.Breakpoints);
  EmulatorExit(Dispatched);
}
