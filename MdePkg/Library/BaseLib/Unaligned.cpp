// Little-endian loads from addresses of any alignment, one byte at a time so
// that nothing is assumed about where the value lies.
#include <Library/AssertSites.h>
#include <Library/BaseLib.h>

UINT16 ReadUnaligned16(const UINT16 *Buffer) {
  if (Buffer == nullptr) {
    REPORT_ASSERT_SITE(ASSERT_SITE_UNALIGNED16);
    return 0;
  }
  const UINT8 *Bytes = reinterpret_cast<const UINT8 *>(Buffer);
  return static_cast<UINT16>(Bytes[0] | (Bytes[1] << 8));
}

UINT32 ReadUnaligned32(const UINT32 *Buffer) {
  if (Buffer == nullptr) {
    REPORT_ASSERT_SITE(ASSERT_SITE_UNALIGNED32);
    return 0;
  }
  const UINT8 *Bytes = reinterpret_cast<const UINT8 *>(Buffer);
  return UINT32{Bytes[0]} | (UINT32{Bytes[1]} << 8) | (UINT32{Bytes[2]} << 16) |
         (UINT32{Bytes[3]} << 24);
}
