// Output cut at the buffer's end: at every small BufferSize the result is the
// full text's prefix, NUL-terminated, with nothing written after it.
#include "PrintSupport.h"

#include <Uefi/UefiBaseType.h>

namespace {

TEST(Truncation, ExamplesAtTheEdge) {
  EXPECT_EQ(PrintSized(4, "abcdef"), "abc");
  EXPECT_EQ(PrintSized(1, "abcdef"), "");
  EXPECT_EQ(PrintSized(0, "abcdef"), "");
  EXPECT_EQ(PrintSized(6, "ab\ncd"), "ab\r\nc");
  EXPECT_EQ(PrintSized(4, "ab\ncd"), "ab\r") << "the expansion is cut between its characters";
  EXPECT_EQ(PrintSized(4, "%d", 123456), "123");
  EXPECT_EQ(PrintSized(5, "%,d", 1234567), "1,23");
  EXPECT_EQ(PrintSized(3, "%5d", 1), "  ");
  EXPECT_EQ(PrintSized(3, "%-5d|", -1), "-1");
}

// Each format is printed in full, then into every buffer from 0 to its length
// plus two: every result must be the full text's prefix.
template <typename... ARGUMENTS> VOID ExpectPrefixes(const char *Format, ARGUMENTS... Arguments) {
  std::string Full = Print(Format, Arguments...);
  for (UINTN Size = 0; Size <= Full.size() + 2; ++Size) {
    SCOPED_TRACE(testing::Message() << "\"" << Format << "\" into " << Size);
    std::string Cut = PrintSized(Size, Format, Arguments...);
    UINTN Expected = Size == 0 ? 0 : std::min<UINTN>(Size - 1, Full.size());
    EXPECT_EQ(Cut, Full.substr(0, Expected));
  }
}

TEST(Truncation, EveryBufferSizeGivesThePrefix) {
  EFI_GUID Guid = {0xE286BDA9, 0xE33A, 0x47B3, {0xAA, 0x89, 0x3F, 0x17, 0xCE, 0xDE, 0x55, 0x38}};
  EFI_TIME Time{};
  Time.Year = 2024;
  Time.Month = 3;
  Time.Day = 7;
  constexpr CHAR16 Wide[] = u"wide";
  ExpectPrefixes("plain text\n\r and\r\nmore\n");
  ExpectPrefixes("%8.5d|%-6x|%,ld|% 05d", 42, 0xBEEF, UINT64{1234567890123}, 7);
  ExpectPrefixes("%+,12d|%-+,12d|", -1234567, 1234567);
  ExpectPrefixes("%10a|%-10s|%.2a|%5c", "str", Wide, "cut", 'c');
  ExpectPrefixes("%g %t %r %12r", &Guid, &Time, EFI_NOT_FOUND, 0x80000019u);
  ExpectPrefixes("%%%q%5\n%");
  ExpectPrefixes("%020lX%-20p|", UINT64{0xABCDEF}, UINTN{0x1234});
}

TEST(Truncation, LongOutputStopsAtTheLastCharacter) {
  std::string Full(300, 'y');
  EXPECT_EQ(Print("%a", Full.c_str()), std::string(255, 'y'));
  EXPECT_EQ(Print("%300d", 1), std::string(255, ' '));
  EXPECT_EQ(Print("%-300d", 1), "1" + std::string(254, ' '));
}

} // namespace
