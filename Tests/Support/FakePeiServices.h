// A PEI services table for host tests: InstallPpi records its calls and
// returns a status the test chooses.
#pragma once

#include <PiPei.h>

#include <functional>
#include <vector>

struct INSTALL_PPI_CALL {
  const EFI_PEI_SERVICES **PeiServices;
  const EFI_PEI_PPI_DESCRIPTOR *PpiList;
};

class FAKE_PEI_SERVICES {
public:
  FAKE_PEI_SERVICES();
  ~FAKE_PEI_SERVICES();
  FAKE_PEI_SERVICES(const FAKE_PEI_SERVICES &) = delete;
  FAKE_PEI_SERVICES &operator=(const FAKE_PEI_SERVICES &) = delete;

  // What PeimEntry receives: a pointer to the pointer to the table.
  const EFI_PEI_SERVICES **Pointer() { return &TablePointer; }

  EFI_STATUS InstallStatus = EFI_SUCCESS;
  std::vector<INSTALL_PPI_CALL> Calls;
  // Runs inside InstallPpi, before it returns (to note the order of events).
  std::function<void()> OnInstall;

private:
  static EFI_STATUS InstallPpi(const EFI_PEI_SERVICES **PeiServices,
                               const EFI_PEI_PPI_DESCRIPTOR *PpiList);
  EFI_PEI_SERVICES Table{};
  const EFI_PEI_SERVICES *TablePointer = &Table;
};
