// How the host tools word their messages: one line each, with addresses and
// header fields in one form, and text from outside (paths, names in files)
// shown so that it cannot break a line, a JSON string or an XML document.
#pragma once

#include <string>

namespace HostTools {

// "0x" and at least eight upper-case hex digits.
std::string Hex32(unsigned long long Value);

// Text with its line breaks turned into spaces, whatever went into it.
std::string OneLine(std::string Text);

// Text as valid UTF-8 without control characters: every byte that is not part
// of a valid UTF-8 sequence, and every control character, becomes "\xNN"
// (and a backslash "\\"), so a path that is not UTF-8 still shows exactly.
std::string PrintableText(const std::string &Text);

} // namespace HostTools
