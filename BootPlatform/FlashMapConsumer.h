// The boot platform as a consumer module: finds the flash-map PPI by its GUID
// through the PEI services and prints the record it points to.
#pragma once

#include <PiPei.h>

// Returns FALSE (after saying why) when the PPI is not installed or carries
// no record.
BOOLEAN ReportFlashMap(const EFI_PEI_SERVICES **PeiServices);
