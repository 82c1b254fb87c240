// A PEIM's dependency expression written as text, opcodes by name in postfix
// order: "TRUE END", "PUSH flash-map END", "PUSH {GUID} NOT END". PUSH,
// BEFORE and AFTER take a GUID, or the name of a PPI the tools know.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace HostTools {

// The expression's bytes. Nothing, and one line in Problem, for an unknown
// word, an opcode without its GUID, or text that does not end with END.
std::optional<std::vector<uint8_t>> EncodeDependency(std::string_view Text, std::string &Problem);

} // namespace HostTools
