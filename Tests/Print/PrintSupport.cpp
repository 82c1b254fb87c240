#include "PrintSupport.h"

namespace {
constexpr CHAR8 Pattern = 0x5A;
}

VOID FillWithPattern(CHAR8 *Buffer, UINTN Size) {
  for (UINTN Index = 0; Index < Size; ++Index) {
    Buffer[Index] = Pattern;
  }
}

std::string CheckWritten(const CHAR8 *Buffer, UINTN BufferSize, UINTN Count, UINTN GuardSize) {
  UINTN Untouched = Count + 1;
  if (BufferSize == 0) {
    EXPECT_EQ(Count, 0u);
    Untouched = 0;
  } else {
    EXPECT_LT(Count, BufferSize);
    if (Count >= BufferSize) {
      return {};
    }
    EXPECT_EQ(Buffer[Count], 0) << "no NUL after the text";
  }
  for (UINTN Index = Untouched; Index < BufferSize + GuardSize; ++Index) {
    EXPECT_EQ(Buffer[Index], Pattern) << "byte " << Index << " written";
  }
  return std::string(Buffer, Count);
}
