// lld-link's map (/lldmap) as the build reads it: a line for each output
// section ("<address> <size> <align> .text"), under it one for each input
// chunk ("<address> <size> <align>         <object>:(.rdata)") and under that
// one for each symbol the chunk defines ("<address> 00000000 0 <name>",
// indented further). Addresses and sizes are lower-case hexadecimal.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace BuildFacts {

enum MAP_LINE_KIND { MAP_OUTPUT_SECTION, MAP_INPUT_CHUNK, MAP_SYMBOL };

struct MAP_LINE {
  MAP_LINE_KIND Kind = MAP_SYMBOL;
  uint64_t Address = 0;
  uint64_t Size = 0;
  // The output section's name, the chunk's input section (".text$mn") or the symbol.
  std::string Name;
  std::string Text; // the whole line
};

// The lines of Map that are one of the three, in order; the column heads and
// anything else are left out.
std::vector<MAP_LINE> ReadLinkerMap(std::string_view Map);

} // namespace BuildFacts
