// The image's entry point, called once by the PEI Foundation.
#include "StartUp.h"

extern "C" EFI_STATUS PeimEntry(EFI_PEI_FILE_HANDLE FileHandle,
                                const EFI_PEI_SERVICES **PeiServices) {
  (VOID) FileHandle;
  return StartModule(ConstructorList, ConstructorCount, PeiServices);
}
