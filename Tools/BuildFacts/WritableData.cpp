#include "WritableData.h"

#include <array>

namespace BuildFacts {

namespace {

// ".data", ".data$r", ".bss"...
constexpr std::array<std::string_view, 2> WRITABLE_SECTIONS = {".data", ".bss"};

bool IsWritable(const std::string &Section) {
  for (std::string_view Writable : WRITABLE_SECTIONS) {
    if (Section.starts_with(Writable)) {
      return true;
    }
  }
  return false;
}

} // namespace

std::vector<MAP_LINE> WritableChunks(const std::vector<MAP_LINE> &Map) {
  std::vector<MAP_LINE> Writable;
  for (const MAP_LINE &Line : Map) {
    if (Line.Kind == MAP_INPUT_CHUNK && Line.Size != 0 && IsWritable(Line.Name)) {
      Writable.push_back(Line);
    }
  }
  return Writable;
}

} // namespace BuildFacts
