// The start-up order: every constructor, then the flash-map PPI. A failing
// constructor is reported and never stops start-up.
#include "StartUp.h"

#include <Library/AssertSites.h>
#include <Library/DebugLib.h>

namespace {

VOID RunConstructorList(const LIBRARY_CONSTRUCTOR *Constructors, UINTN Count) {
  for (UINTN Index = 0; Index < Count; ++Index) {
    EFI_STATUS Status = Constructors[Index]();
    if (EFI_ERROR(Status)) {
      DebugMessage(DEBUG_ERROR, "\nASSERT_EFI_ERROR (Status = %r)\n", Status);
      REPORT_ASSERT_SITE(ASSERT_SITE_CONSTRUCTOR_STATUS);
    }
  }
}

} // namespace

EFI_STATUS StartModule(const LIBRARY_CONSTRUCTOR *Constructors, UINTN Count,
                       const EFI_PEI_SERVICES **PeiServices) {
  RunConstructorList(Constructors, Count);
  return PublishFlashMap(PeiServices);
}
