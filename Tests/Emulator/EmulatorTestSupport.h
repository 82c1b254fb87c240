// Shared by the emulator tests: the built images, the host module started on
// the same simulated board.
#pragma once

#include "EmulatedStart.h"
#include "FailingConstructor.h"
#include "StartUp.h"

#include <SimulatedBoard.h>

#include <string>
#include <vector>

using namespace HostTools;
using namespace TolvernEmu;

// The images of this build, loaded once.
const LOADABLE_IMAGE &NormalImage();
const LOADABLE_IMAGE &FailingConstructorImage();

// Starts Image at Base on a board set up as Setup; fails the test (and
// returns an empty start) when it cannot be placed.
EMULATED_START StartImage(const LOADABLE_IMAGE &Image, const BOARD_SETUP &Setup, UINT32 Base,
                          EFI_STATUS InstallStatus = 0,
                          UINT64 MaxInstructions = EMULATOR_DEFAULT_MAX_INSTRUCTIONS);

// The host build of the module started the same way, for comparison.
struct HOST_START {
  EFI_STATUS Status = 0;
  UINTN InstallCalls = 0;
  std::vector<PORT_ACCESS> Trace;
  std::vector<UINT8> UartBytes;
  UINTN Breakpoints = 0;
};
HOST_START StartHostModule(const BOARD_SETUP &Setup, const LIBRARY_CONSTRUCTOR *Constructors,
                           UINTN Count, EFI_STATUS InstallStatus = 0);

// The report line of the constructor-failure assertion site.
std::string ConstructorFailureReport();
