// Length of an 8-bit string.
#include <Library/BaseLib.h>
#include <Library/DebugLib.h>

UINTN AsciiLength(const CHAR8 *String) {
  if (String == nullptr) {
    AssertReport("u:\\MdePkg\\Library\\BaseLib\\String", 1216, "String != ((void *) 0)");
    return 0;
  }
  const CHAR8 *Cursor = String;
  while (*Cursor != 0) {
    ++Cursor;
  }
  return static_cast<UINTN>(Cursor - String);
}
