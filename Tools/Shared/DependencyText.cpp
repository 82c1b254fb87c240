#include "DependencyText.h"

#include "FlashMapRecord.h"
#include "Guid.h"

#include <Pi/PiDependency.h>

#include <sstream>

namespace HostTools {

namespace {

struct OPCODE_NAME {
  const char *Name;
  uint8_t Opcode;
  bool TakesGuid;
};

constexpr OPCODE_NAME OPCODES[] = {
    {"BEFORE", EFI_DEP_BEFORE, true}, {"AFTER", EFI_DEP_AFTER, true},  {"PUSH", EFI_DEP_PUSH, true},
    {"AND", EFI_DEP_AND, false},      {"OR", EFI_DEP_OR, false},       {"NOT", EFI_DEP_NOT, false},
    {"TRUE", EFI_DEP_TRUE, false},    {"FALSE", EFI_DEP_FALSE, false}, {"END", EFI_DEP_END, false},
    {"SOR", EFI_DEP_SOR, false},
};

struct PPI_NAME {
  const char *Name;
  EFI_GUID Guid;
};

constexpr PPI_NAME KNOWN_PPIS[] = {{"flash-map", FLASH_MAP_GUID}};

std::optional<std::array<uint8_t, 16>> PpiGuid(const std::string &Word) {
  for (const PPI_NAME &Known : KNOWN_PPIS) {
    if (Word == Known.Name) {
      return GuidBytes(Known.Guid);
    }
  }
  return ParseGuid(Word);
}

} // namespace

std::optional<std::vector<uint8_t>> EncodeDependency(std::string_view Text, std::string &Problem) {
  std::istringstream Words{std::string(Text)};
  std::vector<uint8_t> Bytes;
  std::string Word;
  bool Ended = false; // the last opcode was END
  while (Words >> Word) {
    const OPCODE_NAME *Found = nullptr;
    for (const OPCODE_NAME &Opcode : OPCODES) {
      Found = Word == Opcode.Name ? &Opcode : Found;
    }
    if (Found == nullptr) {
      Problem = "dependency: unknown word '" + Word + "'";
      return std::nullopt;
    }
    Bytes.push_back(Found->Opcode);
    Ended = Found->Opcode == EFI_DEP_END;
    if (!Found->TakesGuid) {
      continue;
    }
    std::string Operand;
    const std::optional<std::array<uint8_t, 16>> Guid =
        Words >> Operand ? PpiGuid(Operand) : std::nullopt;
    if (!Guid) {
      Problem = "dependency: " + Word + " needs a GUID or a known PPI name, not '" + Operand + "'";
      return std::nullopt;
    }
    Bytes.insert(Bytes.end(), Guid->begin(), Guid->end());
  }
  if (!Ended) {
    Problem = "dependency: the expression must end with END";
    return std::nullopt;
  }
  return Bytes;
}

} // namespace HostTools
