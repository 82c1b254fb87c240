// The baud selector text a test hands the emulator.
#include "SelectorText.h"

#include <gtest/gtest.h>

namespace {

struct SELECTOR_CASE {
  const char *Text;
  bool Valid;
  UINT8 Value;
};

// Test names and failure messages show the case, not its bytes.
void PrintTo(const SELECTOR_CASE &Case, std::ostream *Stream) {
  *Stream << '"' << Case.Text << '"';
}

const SELECTOR_CASE CASES[] = {
    {"0x20", true, 0x20}, {"0X3f", true, 0x3F},      {"0xA5", true, 0xA5}, {"16", true, 16},
    {"255", true, 255},   {"0x30\n", true, 0x30},    {"0", true, 0},       {"0x00 ", true, 0},
    {"", false, 0},       {"0x", false, 0},          {"256", false, 0},    {"0x100", false, 0},
    {"0x2g", false, 0},   {"abc", false, 0},         {"-1", false, 0},     {" 0x10", false, 0},
    {"0x10 x", false, 0}, {"99999999999", false, 0},
};

class SelectorText : public testing::TestWithParam<SELECTOR_CASE> {};

TEST_P(SelectorText, ParsesOnlyWholeBytes) {
  UINT8 Value = 0x77;
  EXPECT_EQ(ParseSelectorText(GetParam().Text, &Value) != FALSE, GetParam().Valid);
  EXPECT_EQ(Value, GetParam().Valid ? GetParam().Value : 0x77) << "left alone when invalid";
}

INSTANTIATE_TEST_SUITE_P(Cases, SelectorText, testing::ValuesIn(CASES));

} // namespace
