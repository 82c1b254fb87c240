// Argument slots: what each directive takes from the list and in what order.
// On a 32-bit build the list is a run of 32-bit cdecl slots, as on the board,
// so the exact slot counts can be checked there.
#include "PrintSupport.h"

namespace {

TEST(Slots, EachDirectiveTakesItsOwnArguments) {
  EXPECT_EQ(Print("%Ld %d", UINT64{5}, 7), "5 7");
  EXPECT_EQ(Print("%lp %d", UINTN{0x1234}, 7), "1234 7");
  EXPECT_EQ(Print("%p %d", UINTN{0x1234}, 7), "1234 7");
  EXPECT_EQ(Print("%*.*d %d", 4, 2, 3, 9), "  03 9");
  EXPECT_EQ(Print("%r %d", 0x80000000u, 9), "80000000 9");
  EXPECT_EQ(Print("%c %d", 'A', 9), "A 9");
}

#if defined(__i386__)
TEST(Slots32, LongValuesTakeTwoSlotsLowHalfFirst) {
  EXPECT_EQ(Print("%Ld %d", 5u, 0u, 7), "5 7");
  EXPECT_EQ(Print("%ld", 1u, 2u), "8589934593"); // 0x00000002'00000001
  EXPECT_EQ(Print("%lx|%d", 0x9ABCDEF0u, 0x12345678u, 3), "123456789ABCDEF0|3");
}

TEST(Slots32, StarWidthTakesOneSlotBeforeTheLongValue) {
  EXPECT_EQ(PrintSized(39, "%*lX", 0x80000001u, 0xC25ED231u, 0xA05EA307u), "A05EA307C25ED231");
}

TEST(Slots32, PointersTakeOneSlotEvenWithLong) {
  EXPECT_EQ(Print("%lp %d", 0x1234u, 7), "1234 7");
  EXPECT_EQ(Print("%p %p", 0xAu, 0xBu), "A B");
  EXPECT_EQ(Print("%l d|%d", 0xFFFFFFFFu, 0xFFFFFFFFu, 4), "-1|4");
}
#endif

} // namespace
