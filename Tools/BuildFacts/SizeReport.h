// Where the bytes of a firmware image go, read from its linker map: every
// function and data object with its size, together with the PE headers, the
// base relocations and the alignment padding between them, largest first.
#pragma once

#include "LinkerMap.h"

#include <optional>

namespace BuildFacts {

struct SIZE_ROW {
  uint64_t Size = 0;
  std::string Kind;                 // "code", "data", "headers", "relocs" or "padding"
  std::string What;                 // what the report prints
  std::vector<std::string> Symbols; // the symbols a chunk defines, as the map names them
};

// The rows of an image of FileSize bytes, largest first; they add up to
// FileSize. Nothing, and one line in Problem, when the image is empty or the
// map lists no sections or more bytes than the file has.
std::optional<std::vector<SIZE_ROW>> SizeRows(const std::vector<MAP_LINE> &Map, uint64_t FileSize,
                                              std::string &Problem);

// The report: "<image>: <n> bytes", the column heads, a line for each row.
std::string SizeReportText(const std::string &ImageName, uint64_t FileSize,
                           const std::vector<SIZE_ROW> &Rows);

} // namespace BuildFacts
