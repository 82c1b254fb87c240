#include "FakePeiServices.h"

namespace {
// InstallPpi has no context argument; one fake is active at a time.
FAKE_PEI_SERVICES *Active = nullptr;
} // namespace

FAKE_PEI_SERVICES::FAKE_PEI_SERVICES() {
  Table.Hdr.Signature = 0x5652455320494550ull; // "PEI SERV"
  Table.Hdr.HeaderSize = sizeof(EFI_TABLE_HEADER);
  Table.InstallPpi = &FAKE_PEI_SERVICES::InstallPpi;
  Active = this;
}

FAKE_PEI_SERVICES::~FAKE_PEI_SERVICES() {
  Active = nullptr;
}

EFI_STATUS FAKE_PEI_SERVICES::InstallPpi(const EFI_PEI_SERVICES **PeiServices,
                                         const EFI_PEI_PPI_DESCRIPTOR *PpiList) {
  Active->Calls.push_back({PeiServices, PpiList});
  if (Active->OnInstall) {
    Active->OnInstall();
  }
  return Active->InstallStatus;
}
