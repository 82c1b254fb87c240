// The flash map as a readable text table.
#pragma once

#include "Inspection.h"

#include <string>

namespace TolvernInspect {

std::string TableReport(const INSPECTION &Inspection);

} // namespace TolvernInspect
