// The checked 32-bit port write.
#include <Library/DebugLib.h>
#include <Library/IoLib.h>

UINT32 PortOut32(UINT16 Port, UINT32 Value) {
  if ((Port & 3) != 0) {
    AssertReport("u:\\MdePkg\\Library\\BaseIoLibIntrinsic\\IoLibMsc", 223, "(Port & 3) == 0");
  }
  PortOut32Unchecked(Port, Value);
  return Value;
}
