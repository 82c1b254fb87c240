// The boot platform's 32-bit part: it prepares what a PEI Foundation would,
// enters the module once, then reads back what the module did and ends the
// emulator with a verdict.
//
// Nothing goes out on the serial line before the module has run: the module
// must find the UART exactly as the board left it at reset, so that its
// "already configured" check sees the board's state and not ours. Only a
// refusal to start the module, or an exception, prints earlier.
#include "BaudSelect.h"
#include "BootState.h"
#include "Console.h"
#include "EmulatorExit.h"
#include "InterruptTable.h"
#include "ModuleImage.h"
#include "PeiCore.h"
#include "FlashMapConsumer.h"
#include "UartSettings.h"

namespace {

VOID ReportModule(const MODULE_IMAGE *Module, EFI_STATUS Status) {
  ConsoleText("[boot] module: image ");
  ConsoleHex(Module->Base, 8);
  ConsoleText(", entry point ");
  ConsoleHex(Module->EntryPoint, 8);
  ConsoleText(", size ");
  ConsoleHex(Module->SizeOfImage, 8);
  ConsoleLine("");
  ConsoleText("[boot] module status: ");
  ConsoleHex(Status, 8);
  ConsoleLine(Status == EFI_SUCCESS ? " Success" : (EFI_ERROR(Status) ? " error" : " warning"));
}

VOID ReportPpiDatabase(const PEI_CORE_INSTANCE *Core) {
  ConsoleText("[boot] InstallPpi calls: ");
  ConsoleDecimal(Core->InstallCalls);
  ConsoleText(", descriptors recorded: ");
  ConsoleDecimal(Core->PpiCount);
  ConsoleLine("");
}

} // namespace

extern "C" [[noreturn]] VOID BootMain(VOID) {
  BOOT_STATE State;
  State.Breakpoints = 0;
  State.ModuleBase = BOOT_MODULE_ADDRESS;
  State.ModuleSize = 0;
  InstallInterruptTable(&State);

  BAUD_SELECTION Baud;
  ApplyBaudSelection(&Baud);
  if (Baud.Requested && !Baud.Valid) {
    ReportBaudSelection(&Baud);
    ConsoleLine("[boot] not starting the module");
    EmulatorExit(FALSE);
  }

  MODULE_IMAGE Module;
  const CHAR8 *Problem = FindModuleEntryPoint(BOOT_MODULE_ADDRESS, &Module);
  if (Problem != nullptr) {
    ConsoleText("[boot] no module at ");
    ConsoleHex(BOOT_MODULE_ADDRESS, 8);
    ConsoleText(": ");
    ConsoleLine(Problem);
    EmulatorExit(FALSE);
  }
  State.ModuleSize = Module.SizeOfImage;

  PEI_CORE_INSTANCE Core;
  PeiCoreInitialize(&Core);
  PEIM_ENTRY_POINT Entry =
      reinterpret_cast<PEIM_ENTRY_POINT>(static_cast<UINTN>(Module.EntryPoint));
  EFI_STATUS Status = Entry(reinterpret_cast<EFI_PEI_FILE_HANDLE>(static_cast<UINTN>(Module.Base)),
                            PeiCoreServices(&Core));

  // Read the UART before this platform sends its first byte.
  UART_SETTINGS Uart;
  ReadUartSettings(&Uart);

  ReportBaudSelection(&Baud);
  ReportModule(&Module, Status);
  ReportUartSettings(&Uart);
  ReportPpiDatabase(&Core);
  BOOLEAN FlashMapFound = ReportFlashMap(PeiCoreServices(&Core));
  ConsoleText("[boot] breakpoints: ");
  ConsoleDecimal(State.Breakpoints);
  ConsoleLine("");
  EmulatorExit(Status == EFI_SUCCESS && FlashMapFound);
}
