// PLACEHOLDER until the serial console lands.
#include <Library/SerialPortLib.h>

EFI_STATUS UartInit(VOID) {
  return EFI_SUCCESS;
}

UINTN UartWrite(const UINT8 *Buffer, UINTN Count) {
  (VOID) Buffer;
  (VOID) Count;
  return 0;
}
