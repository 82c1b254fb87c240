#include "EmulatedStart.h"

#include <memory>

std::optional<EMULATED_START> StartImageOnBoard(const PE_IMAGE &Image, const START_OPTIONS &Options,
                                                std::string &Error) {
  // The board is large (every super I/O register of every device): keep it off the stack.
  auto Board = std::make_unique<SIMULATED_BOARD>(Options.Board);
  std::unique_ptr<IMAGE_EMULATOR> Emulator =
      IMAGE_EMULATOR::Create(Image, Options.Base, *Board, Error);
  if (!Emulator) {
    return std::nullopt;
  }
  EMULATED_START Start;
  Start.Base = Options.Base;
  Start.Run = Emulator->RunPeimEntry(Options.InstallPpiStatus, Options.MaxInstructions);
  Start.Trace = Board->Trace();
  Start.UartBytes = Board->UartTransmitted();
  if (!Start.Run.InstallPpiCalls.empty()) {
    Start.FlashMap = ReadPublishedFlashMap(*Emulator, Start.Run.InstallPpiCalls[0].PpiList,
                                           Start.FlashMapProblem);
  }
  return Start;
}
