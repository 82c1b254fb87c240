// The checked 32-bit port write.
#include <Library/AssertSites.h>
#include <Library/IoLib.h>

UINT32 PortOut32(UINT16 Port, UINT32 Value) {
  if ((Port & 3) != 0) {
    REPORT_ASSERT_SITE(ASSERT_SITE_PORT_OUT32);
  }
  PortOut32Unchecked(Port, Value);
  return Value;
}
