#include "EmulatorTestSupport.h"

#include "FakePeiServices.h"

#include <HostBreakpoint.h>
#include <HostPortSpace.h>
#include <Library/AssertSites.h>

#include <gtest/gtest.h>

#include <memory>

using namespace HostTools;
using namespace TolvernEmu;

namespace {

const LOADABLE_IMAGE &LoadOnce(const char *Path, std::optional<LOADABLE_IMAGE> &Slot) {
  if (!Slot) {
    std::string Error;
    Slot = LoadImageFile(Path, Error);
    if (!Slot) {
      ADD_FAILURE() << Error;
      Slot = LOADABLE_IMAGE{};
    }
  }
  return *Slot;
}

} // namespace

const LOADABLE_IMAGE &NormalImage() {
  static std::optional<LOADABLE_IMAGE> Image;
  return LoadOnce(TOLVERN_IMAGE_PATH, Image);
}

const LOADABLE_IMAGE &FailingConstructorImage() {
  static std::optional<LOADABLE_IMAGE> Image;
  return LoadOnce(TOLVERN_FAILING_IMAGE_PATH, Image);
}

EMULATED_START StartImage(const LOADABLE_IMAGE &Image, const BOARD_SETUP &Setup, UINT32 Base,
                          EFI_STATUS InstallStatus, UINT64 MaxInstructions) {
  START_OPTIONS Options;
  Options.Base = Base;
  Options.InstallPpiStatus = InstallStatus;
  Options.MaxInstructions = MaxInstructions;
  Options.Board = Setup;
  std::string Error;
  std::optional<EMULATED_START> Start = StartImageOnBoard(Image, Options, Error);
  if (!Start) {
    ADD_FAILURE() << Error;
    return {};
  }
  return *Start;
}

HOST_START StartHostModule(const BOARD_SETUP &Setup, const LIBRARY_CONSTRUCTOR *Constructors,
                           UINTN Count, EFI_STATUS InstallStatus) {
  auto Board = std::make_unique<SIMULATED_BOARD>(Setup);
  HOST_PORT_SPACE_SCOPE Scope(*Board);
  FAKE_PEI_SERVICES Services;
  Services.InstallStatus = InstallStatus;
  HostResetBreakpointCount();
  HOST_START Start;
  Start.Status = StartModule(Constructors, Count, Services.Pointer());
  Start.InstallCalls = Services.Calls.size();
  Start.Trace = Board->Trace();
  Start.UartBytes = Board->UartTransmitted();
  Start.Breakpoints = HostBreakpointCount();
  return Start;
}

std::string ConstructorFailureReport() {
  const ASSERT_SITE &Site = AssertSites[ASSERT_SITE_CONSTRUCTOR_STATUS];
  return std::string("ASSERT ") + Site.FileName + "(" + std::to_string(Site.LineNumber) +
         "): " + Site.Expression + "\r\n";
}
