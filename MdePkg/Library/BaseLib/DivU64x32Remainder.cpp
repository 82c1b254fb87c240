// 64-by-32 division from two 32-bit divisions: the high half first, then its
// remainder joined to the low half. The second quotient always fits in 32 bits,
// so on IA32 one DIVL does it and the image never needs a runtime helper.
#include <Library/AssertSites.h>
#include <Library/BaseLib.h>

namespace {

// (Remainder:Low) / Divisor, with Remainder < Divisor so that the quotient fits.
UINT32 DivideJoined(UINT32 Remainder, UINT32 Low, UINT32 Divisor, UINT32 *NewRemainder) {
#if defined(__i386__)
  UINT32 Quotient;
  __asm__("divl %[Divisor]"
          : "=a"(Quotient), "=d"(*NewRemainder)
          : "a"(Low), "d"(Remainder), [Divisor] "rm"(Divisor)
          : "cc");
  return Quotient;
#else
  UINT64 Joined = (UINT64{Remainder} << 32) | Low;
  *NewRemainder = static_cast<UINT32>(Joined % Divisor);
  return static_cast<UINT32>(Joined / Divisor);
#endif
}

} // namespace

UINT64 DivU64x32Remainder(UINT64 Dividend, UINT32 Divisor, UINT32 *Remainder) {
  if (Divisor == 0) {
    REPORT_ASSERT_SITE(ASSERT_SITE_DIVISOR);
    if (Remainder != nullptr) {
      *Remainder = 0;
    }
    return 0;
  }
  UINT32 High = static_cast<UINT32>(Dividend >> 32);
  UINT32 HighQuotient = High / Divisor;
  UINT32 LowRemainder;
  UINT32 LowQuotient =
      DivideJoined(High % Divisor, static_cast<UINT32>(Dividend), Divisor, &LowRemainder);
  if (Remainder != nullptr) {
    *Remainder = LowRemainder;
  }
  return (UINT64{HighQuotient} << 32) | LowQuotient;
}
