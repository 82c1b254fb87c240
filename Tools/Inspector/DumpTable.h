// A flash image or dump as text: each volume with its files, then the map its
// publisher holds and the dump's cross-checks against it.
#pragma once

#include "Inspection.h"

#include <string>

namespace TolvernInspect {

std::string DumpTable(const INSPECTION &Inspection);

} // namespace TolvernInspect
