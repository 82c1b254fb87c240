#include "MessageText.h"

#include <cstdint>
#include <cstdio>

namespace HostTools {

namespace {

// The length of the valid UTF-8 sequence at Text[At], or 0 when there is none
// (overlong forms, surrogates and values above U+10FFFF are not valid).
size_t Utf8Length(const std::string &Text, size_t At) {
  const auto Byte = [&Text](size_t Index) { return static_cast<uint8_t>(Text[Index]); };
  const uint8_t Lead = Byte(At);
  size_t Length = 0;
  uint32_t Value = 0;
  uint32_t Smallest = 0;
  if (Lead >= 0xC2 && Lead <= 0xDF) {
    Length = 2, Value = Lead & 0x1F, Smallest = 0x80;
  } else if (Lead >= 0xE0 && Lead <= 0xEF) {
    Length = 3, Value = Lead & 0x0F, Smallest = 0x800;
  } else if (Lead >= 0xF0 && Lead <= 0xF4) {
    Length = 4, Value = Lead & 0x07, Smallest = 0x10000;
  } else {
    return 0;
  }
  if (At + Length > Text.size()) {
    return 0;
  }
  for (size_t Index = 1; Index < Length; ++Index) {
    if ((Byte(At + Index) & 0xC0) != 0x80) {
      return 0;
    }
    Value = Value << 6 | (Byte(At + Index) & 0x3F);
  }
  const bool Surrogate = Value >= 0xD800 && Value <= 0xDFFF;
  return Value >= Smallest && Value <= 0x10FFFF && !Surrogate ? Length : 0;
}

} // namespace

std::string Hex32(unsigned long long Value) {
  char Text[24];
  std::snprintf(Text, sizeof Text, "0x%08llX", Value);
  return Text;
}

std::string OneLine(std::string Text) {
  for (char &Character : Text) {
    if (Character == '\n' || Character == '\r') {
      Character = ' ';
    }
  }
  return Text;
}

std::string PrintableText(const std::string &Text) {
  std::string Shown;
  for (size_t At = 0; At < Text.size();) {
    const uint8_t Byte = static_cast<uint8_t>(Text[At]);
    if (Byte == '\\') {
      Shown += "\\\\";
      ++At;
    } else if (Byte >= 0x20 && Byte < 0x7F) {
      Shown += static_cast<char>(Byte);
      ++At;
    } else if (const size_t Length = Byte >= 0x80 ? Utf8Length(Text, At) : 0; Length != 0) {
      Shown.append(Text, At, Length);
      At += Length;
    } else {
      char Escape[8];
      std::snprintf(Escape, sizeof Escape, "\\x%02X", Byte);
      Shown += Escape;
      ++At;
    }
  }
  return Shown;
}

} // namespace HostTools
