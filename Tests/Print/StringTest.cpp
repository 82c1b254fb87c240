// Characters and strings: '%c', '%a', '%s' and '%S' with widths and precisions.
#include "PrintSupport.h"

namespace {

struct CHARACTER_CASE {
  const char *Format;
  UINT32 Character;
  const char *Expected;
};

struct STRING_CASE {
  const char *Format;
  const CHAR8 *String;
  const char *Expected;
};

struct WIDE_CASE {
  const char *Format;
  const CHAR16 *String;
  const char *Expected;
};

TEST(Character, WidthPrecisionAndTerminator) {
  constexpr CHARACTER_CASE Cases[] = {
      {"%c", 0x41, "A"},     {"%5c", 0x41, "    A"},  {"%-5c|", 0x41, "A    |"},
      {"%.3c", 0x41, "  A"}, {"%05c", 0x41, "    A"}, // zero-fill is for numbers only
      {"%c|", 0, " |"},                               // the terminator: count 0, precision still 1
      {"%.0c|", 0, "|"},     {"%c", 0x0141, "A"},     // low 8 bits of the 16-bit unit
      {"%c", 0x10042, "B"},                           // only the low 16 bits are the character
      {"%c", '\n', "\n"},                             // arguments are never translated
  };
  for (const CHARACTER_CASE &Case : Cases) {
    SCOPED_TRACE(testing::Message() << Case.Format << " with " << Case.Character);
    EXPECT_EQ(Print(Case.Format, Case.Character), Case.Expected);
  }
}

TEST(Character, UnitWithZeroLowByteWritesANulInsideTheText) {
  EXPECT_EQ(Print("a%cb", 0x0100), std::string("a\0b", 3));
}

TEST(AsciiString, PrecisionCutsOrPadsAndWidthJustifies) {
  constexpr STRING_CASE Cases[] = {
      {"%a", "hello", "hello"},
      {"%.3a", "hello", "hel"},
      {"%.10a|", "abc", "       abc|"},
      {"%8a", "abc", "     abc"},
      {"%-8a|", "abc", "abc     |"},
      {"%8.2a|", "hello", "      he|"},
      {"%-8.2a|", "hello", "he      |"},
      {"%2a", "hello", "hello"},
      {"%a|", "", "|"},
      {"%3a|", "", "   |"},
      {"%.0a|", "abc", "|"},
      {"%.a|", "abc", "a|"}, // a bare '.' leaves the precision at 1
      {"%a", "x\ny\r", "x\ny\r"},
      {"%a", "%d%s", "%d%s"},
      {"%a", nullptr, "<null string>"},
      {"%10a", nullptr, "<null string>"},
      {"%15a", nullptr, "  <null string>"},
      {"%.4a", nullptr, "<nul"},
      {"%+ ,0la", "ab", "ab"}, // number flags do nothing to strings
  };
  for (const STRING_CASE &Case : Cases) {
    SCOPED_TRACE(testing::Message()
                 << Case.Format << " with " << (Case.String ? Case.String : "null"));
    EXPECT_EQ(Print(Case.Format, Case.String), Case.Expected);
  }
}

TEST(WideString, UnitsAreWrittenAsTheirLowBytes) {
  static constexpr CHAR16 Hi[] = u"hi";
  static constexpr CHAR16 HighUnits[] = {0x0141, 0xFF42, 0};
  static constexpr CHAR16 Empty[] = u"";
  constexpr WIDE_CASE Cases[] = {
      {"%s", Hi, "hi"},
      {"%S", Hi, "hi"},
      {"%5s", Hi, "   hi"},
      {"%-5S|", Hi, "hi   |"},
      {"%.1s", Hi, "h"},
      {"%.4s|", Hi, "  hi|"},
      {"%s", HighUnits, "AB"},
      {"%s|", Empty, "|"},
      {"%s", nullptr, "<null string>"},
      {"%S", nullptr, "<null string>"},
  };
  for (const WIDE_CASE &Case : Cases) {
    SCOPED_TRACE(testing::Message() << Case.Format);
    EXPECT_EQ(Print(Case.Format, Case.String), Case.Expected);
  }
}

TEST(WideString, StopsAtTheSixteenBitTerminatorOnly) {
  // A unit whose low byte is 0 is not a terminator: it is written as a NUL byte.
  constexpr CHAR16 Units[] = {0x0061, 0x0100, 0x0062, 0};
  EXPECT_EQ(Print("%s", Units), std::string("a\0b", 3));
}

TEST(Strings, MixWithOtherText) {
  constexpr CHAR16 Wide[] = u"wide";
  EXPECT_EQ(Print("[%a|%s|%c]\n", "narrow", Wide, '!'), "[narrow|wide|!]\r\n");
}

} // namespace
