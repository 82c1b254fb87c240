// A to-scale picture of the flash device: the firmware area, every region by
// index and block range, the unmapped gaps, and the region the sub-ranges
// divide magnified with them. Drawn only for a record that passed its checks.
#pragma once

#include "Inspection.h"

#include <string>

namespace TolvernInspect {

std::string SvgReport(const INSPECTION &Inspection);

} // namespace TolvernInspect
