// What tolvern-log adds under a line of a serial log: for an assertion report,
// the site's place in this tree; for an address the boot platform names (the
// INT3 it noted, an exception's EIP), the source frames there, inlined ones
// included, from the symbol file of the image linked at that address.
#pragma once

#include "LinkedImages.h"
#include "SourceFrames.h"

#include <string>
#include <string_view>
#include <vector>

namespace TolvernLog {

// Every annotation line starts with this, so that it stands apart from the log.
constexpr std::string_view NOTE = "  => ";

struct ANNOTATION_CONTEXT {
  std::string SourceDir; // the tree whose sources the sites and symbol files name
  std::vector<LINKED_IMAGE> Images;
  std::shared_ptr<SYMBOLIZER> Symbolizer;
};

// The annotation lines for Line (without its line end), none for most lines.
std::vector<std::string> Annotate(const ANNOTATION_CONTEXT &Context, std::string_view Line);

} // namespace TolvernLog
