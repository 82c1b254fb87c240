// The image's base relocation table: where a loader patches 32-bit absolute
// addresses when the image does not run at its preferred base.
#pragma once

#include "PeFile.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace HostTools {

// The RVAs of every 32-bit HIGHLOW fixup, sorted; empty when the image has no
// table. Walked here rather than with LLVM's iterator, which checks no bounds:
// a table outside the file's sections or the image, a block of a bad size, a
// fixup type IA32 has no use for or a fixup outside the image gives nothing
// and one line in Problem.
std::optional<std::vector<uint32_t>> ReadHighLowFixups(const PE_FILE &File, std::string &Problem);

bool HasFixupAt(const std::vector<uint32_t> &Fixups, uint64_t Rva);

} // namespace HostTools
