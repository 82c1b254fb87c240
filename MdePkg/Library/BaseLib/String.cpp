// Length of an 8-bit string.
#include <Library/AssertSites.h>
#include <Library/BaseLib.h>

UINTN AsciiLength(const CHAR8 *String) {
  if (String == nullptr) {
    REPORT_ASSERT_SITE(ASSERT_SITE_STRING_LENGTH);
    return 0;
  }
  const CHAR8 *Cursor = String;
  while (*Cursor != 0) {
    ++Cursor;
  }
  return static_cast<UINTN>(Cursor - String);
}
