#include "SymbolBase.h"

#include <MessageText.h>

namespace BuildFacts {

using namespace HostTools;

std::optional<uint32_t> SymbolFileBase(const PE_FILE &Image, uint32_t SectionAlignment,
                                       std::string &Problem) {
  if (Image.Sections.empty()) {
    Problem = "the image has no section to place its symbol copy by";
    return std::nullopt;
  }
  const uint64_t FirstSection = uint64_t{Image.ImageBase} + Image.Sections.front().Rva;
  if (FirstSection < SectionAlignment || FirstSection - SectionAlignment > UINT32_MAX) {
    Problem = "its first section at " + Hex32(FirstSection) + " cannot lie at RVA " +
              Hex32(SectionAlignment) + " of a 32-bit image";
    return std::nullopt;
  }
  return static_cast<uint32_t>(FirstSection - SectionAlignment);
}

} // namespace BuildFacts
