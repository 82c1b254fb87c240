#include "LinkerMap.h"

#include <algorithm>
#include <optional>

namespace BuildFacts {

namespace {

constexpr std::string_view HEX_DIGITS = "0123456789abcdef";
constexpr std::string_view DECIMAL_DIGITS = "0123456789";
constexpr size_t MAX_HEX_DIGITS = 16;

std::optional<uint64_t> HexField(std::string_view Text) {
  if (Text.empty() || Text.size() > MAX_HEX_DIGITS ||
      Text.find_first_not_of(HEX_DIGITS) != std::string_view::npos) {
    return std::nullopt;
  }
  uint64_t Value = 0;
  for (char Digit : Text) {
    Value = Value << 4 | HEX_DIGITS.find(Digit);
  }
  return Value;
}

bool IsSectionNameCharacter(char Character) {
  return (Character >= 'A' && Character <= 'Z') || (Character >= 'a' && Character <= 'z') ||
         (Character >= '0' && Character <= '9') || Character == '_' || Character == '$';
}

// ".text", ".rdata": a dot and at least one more name character, nothing else.
bool IsOutputSection(std::string_view Rest) {
  return Rest.size() > 1 && Rest[0] == '.' &&
         std::all_of(Rest.begin() + 1, Rest.end(), IsSectionNameCharacter);
}

// "<object>:(<section>)" with a section of a dot, lower-case letters and
// anything but ")" after them: the section, or nothing.
std::optional<std::string_view> ChunkSection(std::string_view Body) {
  if (Body.empty() || Body.back() != ')') {
    return std::nullopt;
  }
  for (size_t Open = Body.rfind(":("); Open != std::string_view::npos && Open > 0;
       Open = Body.rfind(":(", Open - 1)) {
    const std::string_view Section = Body.substr(Open + 2, Body.size() - Open - 3);
    if (Section.size() > 1 && Section[0] == '.' && Section[1] >= 'a' && Section[1] <= 'z' &&
        Section.find(')') == std::string_view::npos) {
      return Section;
    }
  }
  return std::nullopt;
}

// "<address> <size> <align> <rest>", the align column right-aligned.
std::optional<MAP_LINE> ReadLine(std::string_view Line) {
  const size_t AddressEnd = Line.find(' ');
  const size_t SizeEnd = Line.find(' ', AddressEnd == Line.npos ? Line.size() : AddressEnd + 1);
  const size_t AlignStart = Line.find_first_not_of(' ', SizeEnd);
  const size_t AlignEnd = Line.find_first_not_of(DECIMAL_DIGITS, AlignStart);
  if (SizeEnd == Line.npos || AlignEnd == Line.npos || AlignEnd == AlignStart ||
      Line[AlignEnd] != ' ') {
    return std::nullopt;
  }
  const std::optional<uint64_t> Address = HexField(Line.substr(0, AddressEnd));
  const std::optional<uint64_t> Size =
      HexField(Line.substr(AddressEnd + 1, SizeEnd - AddressEnd - 1));
  if (!Address || !Size) {
    return std::nullopt;
  }
  MAP_LINE Read{MAP_OUTPUT_SECTION, *Address, *Size, "", std::string(Line)};
  const std::string_view Rest = Line.substr(AlignEnd + 1);
  const size_t Indent = Rest.find_first_not_of(' ');
  if (IsOutputSection(Rest)) {
    Read.Name = Rest;
  } else if (Indent == 0 || Indent == Rest.npos) {
    return std::nullopt;
  } else if (const std::optional<std::string_view> Section = ChunkSection(Rest.substr(Indent))) {
    Read.Kind = MAP_INPUT_CHUNK;
    Read.Name = *Section;
  } else {
    Read.Kind = MAP_SYMBOL;
    Read.Name = Rest.substr(Indent);
  }
  return Read;
}

} // namespace

std::vector<MAP_LINE> ReadLinkerMap(std::string_view Map) {
  std::vector<MAP_LINE> Lines;
  while (!Map.empty()) {
    const size_t End = std::min(Map.find('\n'), Map.size());
    std::string_view Line = Map.substr(0, End);
    if (!Line.empty() && Line.back() == '\r') {
      Line.remove_suffix(1);
    }
    if (std::optional<MAP_LINE> Read = ReadLine(Line)) {
      Lines.push_back(std::move(*Read));
    }
    Map.remove_prefix(std::min(End + 1, Map.size()));
  }
  return Lines;
}

} // namespace BuildFacts
