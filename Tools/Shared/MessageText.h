// How the host tools word their messages: one line each, with addresses and
// header fields in one form.
#pragma once

#include <string>

namespace HostTools {

// "0x" and at least eight upper-case hex digits.
std::string Hex32(unsigned long long Value);

// Text with its line breaks turned into spaces, whatever went into it.
std::string OneLine(std::string Text);

} // namespace HostTools
