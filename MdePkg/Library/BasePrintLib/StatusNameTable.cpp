// The names '%r' prints for the known status values, packed into one string
// so that the table needs no pointers (and the image no relocations for them).
#include "PrintLibInternal.h"

namespace {

// A NUL before the first name: every name then follows a NUL, and the walk
// below needs no way around its loop for the first one.
constexpr CHAR8 StatusNames[] = "\0"                         //
                                "Success\0"                  // 0x00000000
                                "Warning Unknown Glyph\0"    // 0x00000001
                                "Warning Delete Failure\0"   // 0x00000002
                                "Warning Write Failure\0"    // 0x00000003
                                "Warning Buffer Too Small\0" // 0x00000004
                                "Load Error\0"               // 0x80000001
                                "Invalid Parameter\0"        // 0x80000002
                                "Unsupported\0"              // 0x80000003
                                "Bad Buffer Size\0"          // 0x80000004
                                "Buffer Too Small\0"         // 0x80000005
                                "Not Ready\0"                // 0x80000006
                                "Device Error\0"             // 0x80000007
                                "Write Protected\0"          // 0x80000008
                                "Out of Resources\0"         // 0x80000009
                                "Volume Corrupt\0"           // 0x8000000A
                                "Volume Full\0"              // 0x8000000B
                                "No Media\0"                 // 0x8000000C
                                "Media changed\0"            // 0x8000000D
                                "Not Found\0"                // 0x8000000E
                                "Access Denied\0"            // 0x8000000F
                                "No Response\0"              // 0x80000010
                                "No mapping\0"               // 0x80000011
                                "Time out\0"                 // 0x80000012
                                "Not started\0"              // 0x80000013
                                "Already started\0"          // 0x80000014
                                "Aborted\0"                  // 0x80000015
                                "ICMP Error\0"               // 0x80000016
                                "TFTP Error\0"               // 0x80000017
                                "Protocol Error";            // 0x80000018

constexpr UINTN CountNames() {
  UINTN Count = 0;
  for (CHAR8 Character : StatusNames) {
    Count += Character == 0 ? 1 : 0;
  }
  return Count;
}

static_assert(CountNames() == 1 + STATUS_NAME_COUNT, "five warning names and 24 error names");

} // namespace

// A walk over the names before it is cheaper than a table of where each starts.
const CHAR8 *StatusName(UINT32 Index) {
  const CHAR8 *Name = StatusNames;
  UINT32 Nuls = Index + 1;
  do {
    if (*Name++ == 0) {
      --Nuls;
    }
  } while (Nuls != 0);
  return Name;
}
