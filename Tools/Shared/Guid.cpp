#include "Guid.h"

#include "LittleEndian.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace HostTools {

std::array<uint8_t, 16> GuidBytes(const EFI_GUID &Guid) {
  std::array<uint8_t, 16> Bytes;
  WriteLe32(Bytes, 0, Guid.Data1);
  WriteLe16(Bytes, 4, Guid.Data2);
  WriteLe16(Bytes, 6, Guid.Data3);
  std::copy(std::begin(Guid.Data4), std::end(Guid.Data4), Bytes.begin() + 8);
  return Bytes;
}

std::string GuidText(std::span<const uint8_t, 16> Bytes) {
  char Text[40];
  std::snprintf(Text, sizeof Text, "%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X",
                ReadLe32(Bytes, 0), ReadLe16(Bytes, 4), ReadLe16(Bytes, 6), Bytes[8], Bytes[9],
                Bytes[10], Bytes[11], Bytes[12], Bytes[13], Bytes[14], Bytes[15]);
  return Text;
}

std::string GuidText(const EFI_GUID &Guid) {
  return GuidText(GuidBytes(Guid));
}

std::optional<std::array<uint8_t, 16>> ParseGuid(std::string_view Text) {
  if (Text.size() == 38 && Text.front() == '{' && Text.back() == '}') {
    Text = Text.substr(1, 36);
  }
  // Where the dashes stand between the five groups of hex digits.
  constexpr size_t DASHES[] = {8, 13, 18, 23};
  if (Text.size() != 36) {
    return std::nullopt;
  }
  std::string Digits;
  for (size_t Index = 0; Index < Text.size(); ++Index) {
    const bool Dash = std::find(std::begin(DASHES), std::end(DASHES), Index) != std::end(DASHES);
    if (Dash != (Text[Index] == '-') ||
        (!Dash && !std::isxdigit(static_cast<unsigned char>(Text[Index])))) {
      return std::nullopt;
    }
    if (!Dash) {
      Digits += Text[Index];
    }
  }
  std::array<uint8_t, 16> Written;
  for (size_t Byte = 0; Byte < Written.size(); ++Byte) {
    Written[Byte] = static_cast<uint8_t>(std::stoi(Digits.substr(2 * Byte, 2), nullptr, 16));
  }
  // The first three groups are stored little-endian.
  std::reverse(Written.begin(), Written.begin() + 4);
  std::reverse(Written.begin() + 4, Written.begin() + 6);
  std::reverse(Written.begin() + 6, Written.begin() + 8);
  return Written;
}

} // namespace HostTools
