// Entry phase: hand the constant descriptor to the PEI Foundation.
#include "StartUp.h"

#include <Ppi/FlashMap.h>

EFI_STATUS PublishFlashMap(const EFI_PEI_SERVICES **PeiServices) {
  return (*PeiServices)->InstallPpi(PeiServices, &FlashMapPpiDescriptor);
}
