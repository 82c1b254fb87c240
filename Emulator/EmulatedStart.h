// One start of the image on a simulated board: PeimEntry run in the emulator
// with every port access going to a SIMULATED_BOARD, and what it left behind.
#pragma once

#include "ImageEmulator.h"

#include <PublishedFlashMap.h>
#include <SimulatedBoard.h>

#include <optional>
#include <string>
#include <vector>

namespace TolvernEmu {

#define EMULATOR_DEFAULT_MAX_INSTRUCTIONS 1000000u

struct START_OPTIONS {
  uint32_t Base = 0;               // load address; set it to the image's LinkBase for in place
  EFI_STATUS InstallPpiStatus = 0; // what the trapped InstallPpi returns
  uint64_t MaxInstructions = EMULATOR_DEFAULT_MAX_INSTRUCTIONS;
  BOARD_SETUP Board;
};

struct EMULATED_START {
  uint32_t Base = 0;
  RUN_RESULT Run;
  std::vector<PORT_ACCESS> Trace;
  std::vector<uint8_t> UartBytes;
  // Read through the first InstallPpi call's descriptor, when there was one.
  std::optional<HostTools::PUBLISHED_FLASH_MAP> FlashMap;
  std::string FlashMapProblem;
};

// Returns nothing, with Error set, when the image cannot be placed at Base.
std::optional<EMULATED_START> StartImageOnBoard(const LOADABLE_IMAGE &Image,
                                                const START_OPTIONS &Options, std::string &Error);

} // namespace TolvernEmu
