#include "Formatting.h"

#include "MapLayout.h"

#include <cstdio>

namespace TolvernInspect {

using namespace HostTools;

std::string KiBText(uint64_t Bytes) {
  if (Bytes % 1024 == 0) {
    return std::to_string(Bytes / 1024);
  }
  char Text[40];
  std::snprintf(Text, sizeof Text, "%.3f", static_cast<double>(Bytes) / 1024.0);
  std::string Shown = Text;
  Shown.erase(Shown.find_last_not_of('0') + 1);
  return Shown;
}

std::string BlockRangeText(const FLASH_MAP_RECORD &Record, uint64_t Start, uint64_t End) {
  const long long First = BlockOf(Record, Start);
  const long long Last = End > Start ? BlockOf(Record, End - 1) : -1;
  if (First < 0 || Last < 0) {
    return "?";
  }
  return std::to_string(First) + "-" + std::to_string(Last);
}

} // namespace TolvernInspect
