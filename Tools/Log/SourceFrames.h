// An address's place in the source, from a DWARF symbol file through LLVM's
// symbolizer: the function, file and line, and every function inlined there.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace TolvernLog {

struct FRAME {
  std::string Function;
  std::string File;
  uint32_t Line = 0;
  uint32_t Column = 0;
};

// LLVM's symbolizer, which keeps each symbol file open once read.
struct SYMBOLIZER;
std::shared_ptr<SYMBOLIZER> NewSymbolizer();

// The frames at Address in SymbolFile, innermost first: each but the last is
// inlined into the next. Nothing, with Problem saying why, when the file
// cannot be read or describes no code at Address.
std::optional<std::vector<FRAME>> SourceFrames(SYMBOLIZER &Symbolizer,
                                               const std::string &SymbolFile, uint64_t Address,
                                               std::string &Problem);

} // namespace TolvernLog
