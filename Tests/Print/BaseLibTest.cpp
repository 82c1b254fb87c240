// String length, unaligned loads and the 64-by-32 division, and the digit
// strings built from them. What each does with a null pointer or a zero
// divisor is tested with its assertion site (Tests/Diagnostics).
#include <Library/BaseLib.h>
#include <PrintLibInternal.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace {

TEST(AsciiLength, CountsBytesBeforeTheNul) {
  EXPECT_EQ(AsciiLength(""), 0u);
  EXPECT_EQ(AsciiLength("abc"), 3u);
  EXPECT_EQ(AsciiLength("ab\0cd"), 2u);
  std::string Long(70000, 'x');
  EXPECT_EQ(AsciiLength(Long.c_str()), 70000u);
}

TEST(Unaligned, LoadsLittleEndianAtEveryOffset) {
  alignas(4) const UINT8 Bytes[8] = {0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88};
  constexpr UINT32 Expected32[] = {0x44332211, 0x55443322, 0x66554433, 0x77665544};
  constexpr UINT16 Expected16[] = {0x2211, 0x3322, 0x4433, 0x5544};
  for (UINTN Offset = 0; Offset < 4; ++Offset) {
    SCOPED_TRACE(testing::Message() << "offset " << Offset);
    EXPECT_EQ(ReadUnaligned32(reinterpret_cast<const UINT32 *>(Bytes + Offset)),
              Expected32[Offset]);
    EXPECT_EQ(ReadUnaligned16(reinterpret_cast<const UINT16 *>(Bytes + Offset)),
              Expected16[Offset]);
  }
}

TEST(DivU64x32Remainder, MatchesNativeDivision) {
  constexpr UINT64 Dividends[] = {0,
                                  1,
                                  9,
                                  10,
                                  0xFFFFFFFF,
                                  0x100000000ull,
                                  0x123456789ABCDEF0ull,
                                  0x0000000900000000ull,
                                  0x0000000A00000005ull,
                                  UINT64_MAX,
                                  static_cast<UINT64>(INT64_MIN)};
  constexpr UINT32 Divisors[] = {1, 2, 3, 7, 10, 16, 0x10000, 0x7FFFFFFF, 0xFFFFFFFF};
  for (UINT64 Dividend : Dividends) {
    for (UINT32 Divisor : Divisors) {
      SCOPED_TRACE(testing::Message() << Dividend << " / " << Divisor);
      UINT32 Remainder = 0xDEAD;
      EXPECT_EQ(DivU64x32Remainder(Dividend, Divisor, &Remainder), Dividend / Divisor);
      EXPECT_EQ(Remainder, Dividend % Divisor);
      EXPECT_EQ(DivU64x32Remainder(Dividend, Divisor, nullptr), Dividend / Divisor);
    }
  }
}

TEST(ValueToDigits, LeastSignificantFirstAfterANul) {
  CHAR8 Scratch[VALUE_BUFFER_SIZE];
  CHAR8 *Last = ValueToDigits(Scratch, 1234, 10, 0);
  EXPECT_EQ(Last, Scratch + 4);
  EXPECT_EQ(Scratch[0], 0);
  EXPECT_EQ(std::string(Scratch + 1, 4), "4321");

  Last = ValueToDigits(Scratch, 0, 10, 0);
  EXPECT_EQ(Last, Scratch + 1) << "zero has one digit";
  EXPECT_EQ(Scratch[1], '0');

  Last = ValueToDigits(Scratch, UINT64_MAX, 10, 0);
  EXPECT_EQ(std::string(Scratch + 1, Last + 1), "51615590737044764481");
  Last = ValueToDigits(Scratch, 0xFEDCBA9876543210ull, 16, 0);
  EXPECT_EQ(std::string(Scratch + 1, Last + 1), "0123456789ABCDEF");
}

TEST(ValueToDigits, SeparatorAfterEveryThirdDigitThatMoreFollow) {
  CHAR8 Scratch[VALUE_BUFFER_SIZE];
  const struct {
    UINT64 Value;
    const char *Backwards;
  } Cases[] = {{0, "0"},
               {999, "999"},
               {1000, "000,1"},
               {123456, "654,321"},
               {UINT64_MAX, "516,155,907,370,447,644,81"}};
  for (const auto &Case : Cases) {
    CHAR8 *Last = ValueToDigits(Scratch, Case.Value, 10, ',');
    EXPECT_EQ(std::string(Scratch + 1, Last + 1), Case.Backwards) << Case.Value;
  }
}

} // namespace
