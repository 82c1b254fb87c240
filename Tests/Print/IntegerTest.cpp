// '%d', '%x', '%X' and '%p': signs, blanks, zero fill, precision, grouping
// and 64-bit values.
#include "PrintSupport.h"

#include <cstdint>

namespace {

struct INTEGER_CASE {
  const char *Format;
  INT32 Value;
  const char *Expected;
};

struct LONG_CASE {
  const char *Format;
  UINT64 Value;
  const char *Expected;
};

struct POINTER_CASE {
  const char *Format;
  UINTN Value;
  const char *Expected;
};

VOID ExpectIntegers(const INTEGER_CASE *Cases, UINTN Count) {
  for (UINTN Index = 0; Index < Count; ++Index) {
    const INTEGER_CASE &Case = Cases[Index];
    SCOPED_TRACE(testing::Message() << "\"" << Case.Format << "\" with " << Case.Value);
    EXPECT_EQ(Print(Case.Format, Case.Value), Case.Expected);
  }
}

constexpr INT32 Int32Min = INT32_MIN;

TEST(Decimal, SignsAndPlainValues) {
  constexpr INTEGER_CASE Cases[] = {
      {"%d", 42, "42"},
      {"%d", -42, "-42"},
      {"%d", 0, "0"},
      {"%d", Int32Min, "-2147483648"},
      {"%d", INT32_MAX, "2147483647"},
      {"%+d", 5, "+5"},
      {"%+d", -5, "-5"},
      {"% d", 5, " 5"},
      {"% d", -5, "-5"},
      {"%+ d", 5, "+5"},
      {"% +d", 5, "+5"},
      {"%+d", 0, "+0"},
  };
  ExpectIntegers(Cases, std::size(Cases));
}

TEST(Decimal, WidthAndZeroFill) {
  constexpr INTEGER_CASE Cases[] = {
      {"%5d", 42, "   42"},
      {"%-5d|", 42, "42   |"},
      {"%05d", -42, "-0042"},
      {"%05d", 42, "00042"},
      {"%-05d|", 42, "42   |"},
      {"% 05d", 42, " 0042"},
      {"%0d", 7, "7"},
      {"%+05d", 5, "+0005"},
      {"%08d", Int32Min, "-2147483648"}, // longer than the width
      {"%1d", 123, "123"},
      {"%-+5d|", 7, "+7   |"},
      {"%010d", -1, "-000000001"},
  };
  ExpectIntegers(Cases, std::size(Cases));
}

TEST(Decimal, PrecisionPadsWithZerosAndTurnsZeroFillOff) {
  constexpr INTEGER_CASE Cases[] = {
      {"%.5d", 42, "00042"},     {"%8.5d", 42, "   00042"}, {"%-8.5d|", 42, "00042   |"},
      {"%.0d", 0, ""},           {"%5.0d|", 0, "     |"},   {"%.d", 0, "0"},
      {"%+.0d|", 0, "+|"},       {"% .0d|", 0, " |"},       {"%.3d", -5, "-005"},
      {"%08.3d", 5, "     005"}, {"%.0d", 7, "7"},          {"%.1d", 0, "0"},
      {"%.2d", 123, "123"},
  };
  ExpectIntegers(Cases, std::size(Cases));
}

TEST(Decimal, GroupingThousands) {
  constexpr INTEGER_CASE Cases[] = {
      {"%,d", 1234567, "1,234,567"},
      {"%,d", -1234567, "-1,234,567"},
      {"%,d", 100, "100"},
      {"%,d", 1000, "1,000"},
      {"%,d", 0, "0"},
      {"%,d", 12, "12"},
      {"%,d", 123456, "123,456"},
      {"%,d", 12345, "12,345"},
      {"%,d", Int32Min, "-2,147,483,648"},
      {"%,8d", 1234, "   1,234"},
      {"%0,8d", 1234, "   1,234"},
      {"%,.6d", 1234, "1,234"},
      {"%,.0d|", 0, "0|"},
      {"% ,d", 1234, " 1,234"},
      {"%,5d|", -1234, "-1,234|"},
      {"%-,10d|", 1234567, "1,234,567 |"},
      {"%+,d", 1000, "+1,000"},
  };
  ExpectIntegers(Cases, std::size(Cases));
}

TEST(Hexadecimal, UpperCaseDigitsAndZeroFill) {
  constexpr INTEGER_CASE Cases[] = {
      {"%x", 255, "FF"},
      {"%X", 255, "FF"},
      {"%8x", 255, "      FF"},
      {"%8X", 255, "000000FF"},
      {"%08x", 255, "000000FF"},
      {"%-8X|", 255, "FF      |"},
      {"%.6x", 255, "0000FF"},
      {"%x", 0, "0"},
      {"%.0x|", 0, "|"},
      {"%x", -1, "FFFFFFFF"},
      {"%X", Int32Min, "80000000"},
      {"% x", 31, " 1F"},
      {"%+x", 31, "+1F"},
      {"%,x", 1234567, "12D687"},
      {"%x", 0xABCDEF, "ABCDEF"},
      {"%8.4X", 0xAB, "    00AB"},
      {"%-08X|", 0xAB, "AB      |"},
      {"%08x", -1, "FFFFFFFF"},
  };
  ExpectIntegers(Cases, std::size(Cases));
}

TEST(SixtyFourBit, LongValuesUseTwoSlotsAndAllSixtyFourBits) {
  constexpr LONG_CASE Cases[] = {
      {"%ld", INT64_MAX, "9223372036854775807"},
      {"%ld", static_cast<UINT64>(INT64_MIN), "-9223372036854775808"},
      {"%ld", static_cast<UINT64>(-1), "-1"},
      {"%Ld", 5, "5"},
      {"%ld", 0x100000000ull, "4294967296"},
      {"%ld", 0xFFFFFFFFull, "4294967295"},
      {"%,ld", 1234567890123ull, "1,234,567,890,123"},
      {"%,ld", static_cast<UINT64>(INT64_MIN), "-9,223,372,036,854,775,808"},
      {"%lx", 0x123456789ABCDEF0ull, "123456789ABCDEF0"},
      {"%lX", UINT64_MAX, "FFFFFFFFFFFFFFFF"},
      {"%lx", static_cast<UINT64>(-1), "FFFFFFFFFFFFFFFF"},
      {"%020lX", 0xABCDEF0123ull, "0000000000ABCDEF0123"},
      {"%25ld|", static_cast<UINT64>(INT64_MIN), "     -9223372036854775808|"},
      {"%.22ld", 1, "0000000000000000000001"},
  };
  for (const LONG_CASE &Case : Cases) {
    SCOPED_TRACE(testing::Message() << "\"" << Case.Format << "\" with " << Case.Value);
    EXPECT_EQ(Print(Case.Format, Case.Value), Case.Expected);
  }
}

TEST(Pointer, HexadecimalZeroFilledAndNeverSigned) {
  constexpr POINTER_CASE Cases[] = {
      {"%p", 0x1234, "1234"},
      {"%8p", 0x1234, "00001234"},
      {"%-8p|", 0x1234, "1234    |"},
      {"%+p", 5, "5"},
      {"% p", 5, "5"},
      {"%,p", 1234567, "12D687"},
      {"%p", 0, "0"},
      {"%.0p|", 0, "|"},
      {"%lp", 0x1234, "1234"},
      {"%p", 0xFFFFFFFF, "FFFFFFFF"},
  };
  for (const POINTER_CASE &Case : Cases) {
    SCOPED_TRACE(testing::Message() << "\"" << Case.Format << "\" with " << Case.Value);
    EXPECT_EQ(Print(Case.Format, Case.Value), Case.Expected);
  }
}

TEST(Integers, ArgumentsAreReadInOrder) {
  EXPECT_EQ(Print("%d %x %ld %p %d", 1, 0x2A, UINT64{3}, UINTN{0xB}, -4), "1 2A 3 B -4");
  EXPECT_EQ(Print("%c%d%a", 'x', 9, "y"), "x9y");
}

} // namespace
