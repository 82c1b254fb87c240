// The base to link an image's symbol copy at. The copy's sections are aligned
// to a page, so its first section lies at that RVA whatever its longer section
// table holds; this base puts the copy's first section at the address the
// image's first section has, and so all its code and data at the image's.
#pragma once

#include <PeFile.h>

#include <optional>

namespace BuildFacts {

// Image's ImageBase + its first section's RVA - SectionAlignment. Nothing, and
// one line in Problem, when the image has no section or the base would not be
// a 32-bit address.
std::optional<uint32_t> SymbolFileBase(const HostTools::PE_FILE &Image, uint32_t SectionAlignment,
                                       std::string &Problem);

} // namespace BuildFacts
