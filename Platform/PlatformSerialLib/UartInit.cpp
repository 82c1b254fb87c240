// The module's library constructor: bring the debug UART to 8-N-1 at the
// CMOS-selected baud rate, leaving it alone if it already runs that way.
#include "Cmos.h"
#include "Uart16550.h"

#include <Library/IoLib.h>

namespace {

static_assert((UART_BAUD_SELECT_CMOS_REGISTER & CMOS_NMI_DISABLE) == 0,
              "the index keeps NMI enabled");

constexpr UINT32 BaudBySelect[] = {115200, 57600, 19200, 9600};
constexpr bool DivisorsMatchBauds() {
  for (UINTN Select = 0; Select < 4; ++Select) {
    if (UART_CLOCK_BAUD / BaudBySelect[Select] != UartDivisorBySelect[Select] ||
        UART_CLOCK_BAUD % BaudBySelect[Select] != 0) {
      return false;
    }
  }
  return true;
}
static_assert(DivisorsMatchBauds(), "each divisor gives its baud rate exactly");

// Sets DLAB around the read (high byte first) and clears it again.
UINT16 ReadDivisor() {
  PortOut8(UART_LCR, static_cast<UINT8>(PortIn8(UART_LCR) | LCR_DLAB));
  UINT8 High = PortIn8(UART_DLM);
  UINT8 Low = PortIn8(UART_DLL);
  PortOut8(UART_LCR, static_cast<UINT8>(PortIn8(UART_LCR) & ~LCR_DLAB));
  return static_cast<UINT16>(High << 8 | Low);
}

UINT8 SelectedDivisor() {
  PortOut8(CMOS_INDEX_PORT, UART_BAUD_SELECT_CMOS_REGISTER);
  return UartDivisorForSelector(PortIn8(CMOS_DATA_PORT));
}

VOID ProgramUart(UINT16 Divisor) {
  PortOut8(UART_LCR, LCR_DLAB);
  PortOut8(UART_DLM, static_cast<UINT8>(Divisor >> 8));
  PortOut8(UART_DLL, static_cast<UINT8>(Divisor));
  PortOut8(UART_LCR, LCR_8N1);
  PortOut8(UART_FCR, FCR_ENABLE_AND_CLEAR_FIFOS);
  PortOut8(UART_MCR, MCR_ALL_OFF);
}

} // namespace

EFI_STATUS UartInit(VOID) {
  EFI_STATUS Status = SerialPlatformPreInit();
  if (EFI_ERROR(Status)) {
    return Status;
  }

  // Everything is read before anything is compared.
  UINT8 Iir = PortIn8(UART_IIR);
  UINT8 Lcr = PortIn8(UART_LCR);
  UINT16 Current = ReadDivisor();
  UINT16 Divisor = SelectedDivisor();
  if ((Iir & IIR_SETTINGS_MASK) == IIR_SETTINGS_WANTED && (Lcr & LCR_LINE_SETTINGS) == LCR_8N1 &&
      Current == Divisor) {
    return EFI_SUCCESS; // already running as wanted: left exactly as found
  }

  ProgramUart(Divisor);
  return EFI_SUCCESS;
}
