// How the host tools show addresses and header fields in their messages.
#pragma once

#include <string>

// "0x" and at least eight upper-case hex digits.
std::string Hex32(unsigned long long Value);
