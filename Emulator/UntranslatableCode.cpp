// Any byte may start an instruction (a jump can land anywhere), so every
// position is looked at, and so is every run of prefixes before an opcode.
#include "UntranslatableCode.h"

#include <algorithm>
#include <cstdio>
#include <iterator>

namespace TolvernEmu {

namespace {

struct ENCODING {
  uint8_t Opcode;
  uint8_t ModRmMask;
  uint8_t ModRmValue;
  const char *What;
};

// Found by the mutation test: the far transfers through a register.
constexpr ENCODING UNTRANSLATABLE[] = {
    {0xFF, 0xF8, 0xD8, "far call through a register (FF /3 needs a memory operand)"},
    {0xFF, 0xF8, 0xE8, "far jump through a register (FF /5 needs a memory operand)"},
};

// Segment overrides, operand and address size, LOCK, REPNE, REP.
constexpr uint8_t PREFIXES[] = {0x26, 0x2E, 0x36, 0x3E, 0x64, 0x65, 0x66, 0x67, 0xF0, 0xF2, 0xF3};
// No IA-32 instruction is longer; longer prefix runs cannot start one.
constexpr size_t LONGEST_INSTRUCTION = 15;

bool IsPrefix(uint8_t Byte) {
  return std::find(std::begin(PREFIXES), std::end(PREFIXES), Byte) != std::end(PREFIXES);
}

const ENCODING *EncodingAt(std::span<const uint8_t> Bytes, size_t At) {
  if (At + 1 >= Bytes.size()) {
    return nullptr;
  }
  for (const ENCODING &Encoding : UNTRANSLATABLE) {
    if (Bytes[At] == Encoding.Opcode &&
        (Bytes[At + 1] & Encoding.ModRmMask) == Encoding.ModRmValue) {
      return &Encoding;
    }
  }
  return nullptr;
}

} // namespace

std::map<uint32_t, std::string> FindUntranslatableStarts(std::span<const uint8_t> Bytes,
                                                         uint32_t Base) {
  std::map<uint32_t, std::string> Starts;
  for (size_t At = 0; At < Bytes.size(); ++At) {
    const ENCODING *Encoding = EncodingAt(Bytes, At);
    if (Encoding == nullptr) {
      continue;
    }
    char Text[48];
    std::snprintf(Text, sizeof Text, "%02X %02X, a ", Bytes[At], Bytes[At + 1]);
    const std::string What = Text + std::string(Encoding->What);
    Starts.emplace(static_cast<uint32_t>(Base + At), What);
    for (size_t Start = At;
         Start > 0 && At - (Start - 1) < LONGEST_INSTRUCTION && IsPrefix(Bytes[Start - 1]);
         --Start) {
      Starts.emplace(static_cast<uint32_t>(Base + Start - 1), What);
    }
  }
  return Starts;
}

} // namespace TolvernEmu
