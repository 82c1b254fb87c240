// Scanning and the directive grammar: plain text, newline rules, unknown
// conversions, flag order and formats that end inside a directive.
#include "PrintSupport.h"

namespace {

struct TEXT_CASE {
  const char *Format;
  const char *Expected;
};

VOID ExpectTexts(const TEXT_CASE *Cases, UINTN Count) {
  for (UINTN Index = 0; Index < Count; ++Index) {
    SCOPED_TRACE(testing::Message() << "format \"" << Cases[Index].Format << "\"");
    EXPECT_EQ(Print(Cases[Index].Format), Cases[Index].Expected);
  }
}

TEST(Grammar, PlainTextIsCopied) {
  constexpr TEXT_CASE Cases[] = {
      {"abc", "abc"},
      {"", ""},
      {"\x01\x7F\x80\xFF", "\x01\x7F\x80\xFF"},
  };
  ExpectTexts(Cases, std::size(Cases));
  EXPECT_EQ(FormatToBuffer(nullptr, 0, "abc"), 0u) << "BufferSize 0 never touches the buffer";
}

TEST(Grammar, NewlinesBecomeCarriageReturnNewline) {
  constexpr TEXT_CASE Cases[] = {
      {"a\nb", "a\r\nb"},    {"a\n\rb", "a\r\nb"}, {"a\rb", "a\rb"},       {"a\r\nb", "a\r\nb"},
      {"a\r\rb", "a\r\rb"},  {"\n\n", "\r\n\r\n"}, {"\n\r\n", "\r\n\r\n"}, {"\r\n\r", "\r\n\r"},
      {"\n\r\r", "\r\n\r"},  {"\n", "\r\n"},       {"\r", "\r"},           {"x\n", "x\r\n"},
      {"%\n|", "\r\n|"},     {"%\n\r|", "\r\n|"},  {"%\r|", "\r|"},        {"%\r\n|", "\r\n|"},
      {"%5\n|", "   \r\n|"}, {"%-4\r|", "\r   |"}, {"%.1\n|", "\r|"},
  };
  ExpectTexts(Cases, std::size(Cases));
}

TEST(Grammar, UnknownConversionsPrintThemselvesAndTakeNoArgument) {
  constexpr TEXT_CASE Cases[] = {
      {"%%", "%"},         {"100%%", "100%"},    {"%q", "q"},        {"%5q|", "    q|"},
      {"%-5q|", "q    |"}, {"%#x", "#x"},        {"%/d", "/d"},      {"%u", "u"},
      {"%i", "i"},         {"%o%e%f%n", "oefn"}, {"%5%|", "    %|"}, {"%\xC3|", "\xC3|"},
      {"%.0q|", "|"},
  };
  ExpectTexts(Cases, std::size(Cases));
  // Had '%u' taken the argument, '%d' would print 1.
  EXPECT_EQ(Print("%u%d", 1, 2), "u1");
}

TEST(Grammar, FormatEndingInsideADirectiveShowsOnlyItsWidth) {
  constexpr TEXT_CASE Cases[] = {
      {"abc%", "abc"}, {"abc%l", "abc"}, {"abc%L", "abc"}, {"abc%5", "abc     "},
      {"%-3", "   "},  {"%05", "     "}, {"%.5", ""},      {"%3.5", "   "},
      {"% +,-", ""},   {"%5.", "     "}, {"x%ll", "x"},
  };
  ExpectTexts(Cases, std::size(Cases));
  EXPECT_EQ(Print("ab%*", 3), "ab   ");
  EXPECT_EQ(Print("ab%.*", 3), "ab");
}

TEST(Grammar, FlagsWidthsAndPrecisionsComeInAnyOrder) {
  EXPECT_EQ(Print("%0-5d|", 42), "42   |");
  EXPECT_EQ(Print("%-05d|", 42), "42   |");
  EXPECT_EQ(Print("%l5d", UINT64{42}), "   42");
  EXPECT_EQ(Print("%ll d", UINT64{42}), " 42");
  EXPECT_EQ(Print("%+ +d", 5), "+5");
  EXPECT_EQ(Print("%3-5d|", 42), "42   |") << "a later width overwrites an earlier one";
  EXPECT_EQ(Print("%5.2.4d", 7), " 0007") << "a later precision overwrites an earlier one";
  EXPECT_EQ(Print("%.3-6d|", 7), "000007|") << "after '.' every number is a precision";
  EXPECT_EQ(Print("%.05d", 7), "00007") << "a '0' after '.' is a digit, not zero-fill";
  EXPECT_EQ(Print("%6.05d", 7), " 00007");
}

TEST(Grammar, StarTakesWidthOrPrecisionFromTheArguments) {
  EXPECT_EQ(Print("%*d", 5, 42), "   42");
  EXPECT_EQ(Print("%-*d|", 4, 7), "7   |");
  EXPECT_EQ(Print("%.*d", 4, 7), "0007");
  EXPECT_EQ(Print("%*.*d", 6, 3, 7), "   007");
  EXPECT_EQ(Print("%*d|", -5, 42), "42|") << "a negative width pads nothing";
  EXPECT_EQ(Print("%*a|", -3, "ab"), "ab|");
  EXPECT_EQ(Print("%.*a|", 2, "abc"), "ab|");
  EXPECT_EQ(Print("%0*d", 5, 42), "00042");
  EXPECT_EQ(Print("%0*d|", -5, 42), "42|");
  EXPECT_EQ(Print("%*c|", 3, 'x'), "  x|");
}

TEST(Grammar, HugeWidthsWrapAtThirtyTwoBitsAndNeverOverrun) {
  // 4294967301 is 2^32 + 5.
  EXPECT_EQ(Print("%4294967301d|", 7), "    7|");
  EXPECT_EQ(Print("%4294967296d|", 7), "7|");
  EXPECT_EQ(Print("%300a", "x"), std::string(255, ' '));
  EXPECT_EQ(Print("%-300a|", "x"), "x" + std::string(254, ' '));
  EXPECT_EQ(Print("%.300d", 1), std::string(255, '0'));
  EXPECT_EQ(Print("%*d", 0x7FFFFFFF, 1), std::string(255, ' '));
  // Widths are signed 32-bit numbers: negative ones, however large, pad nothing.
  EXPECT_EQ(Print("%*d|", static_cast<INT32>(0x80000000), 1), "1|");
  EXPECT_EQ(Print("%3000000000d|", 1), "1|");
  // Precision minus count is a signed 32-bit length, as on the board; the
  // width pads around what is written all the same.
  EXPECT_EQ(Print("%.4294967295a|", "abc"), "abc|");
  EXPECT_EQ(Print("%5.4294967295a|", "abc"), "  abc|");
  EXPECT_EQ(Print("%-6.*d|", -1, 42), "42    |");
}

// A negative width never turns into zeros, however zero fill comes about
// ('0', '%X', '%p') and whether it comes from '*' or from digits that wrap.
TEST(Grammar, NegativeWidthsNeverZeroFill) {
  constexpr INT32 Min = static_cast<INT32>(0x80000000);
  constexpr INT32 MinPlusOne = static_cast<INT32>(0x80000001);
  EXPECT_EQ(PrintSized(8, "%0*d|", Min, 42), "42|");
  EXPECT_EQ(PrintSized(8, "%0*d|", MinPlusOne, 42), "42|");
  EXPECT_EQ(PrintSized(8, "%*X|", Min, 0xFF), "FF|");
  EXPECT_EQ(PrintSized(8, "%*p|", Min, UINTN{0x1234}), "1234|");
  EXPECT_EQ(PrintSized(8, "%02147483648d|", 5), "5|");
  EXPECT_EQ(PrintSized(39, "%*lX", MinPlusOne, UINT64{0xA05EA307C25ED231}), "A05EA307C25ED231");
}

} // namespace
