#include "EmulatedStart.h"

#include <memory>

namespace TolvernEmu {

using namespace HostTools;

std::optional<EMULATED_START> StartImageOnBoard(const LOADABLE_IMAGE &Image,
                                                const START_OPTIONS &Options, std::string &Error) {
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
    const HostTools::MEMORY_READER Memory = [&Emulator](uint32_t Address, std::span<uint8_t> Into) {
      return Emulator->ReadMemory(Address, Into.data(), Into.size());
    };
    Start.FlashMap = HostTools::FollowFlashMapDescriptor(
        Memory, Start.Run.InstallPpiCalls[0].PpiList, Start.FlashMapProblem);
  }
  return Start;
}

} // namespace TolvernEmu
