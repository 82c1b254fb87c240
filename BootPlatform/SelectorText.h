// The baud selector as a test writes it: "0x20", "0X30", or decimal "16",
// optionally followed by white space.
#pragma once

#include <Base.h>

// Returns FALSE for anything else, including values above 0xFF.
BOOLEAN ParseSelectorText(const CHAR8 *Text, UINT8 *Value);
