// The inspection as JSON: every record field, where the objects lie, the
// address-ordered layout and the check results.
#pragma once

#include "Inspection.h"

#include <string>

namespace TolvernInspect {

std::string JsonReport(const INSPECTION &Inspection);

} // namespace TolvernInspect
