// Test-only constructor list: the real one plus a constructor that fails, so
// that the constructor-failure report of the real image can be exercised.
#include "StartUp.h"

#include <Library/SerialPortLib.h>

namespace {
EFI_STATUS FailingConstructor(VOID) {
  return EFI_DEVICE_ERROR;
}
} // namespace

constexpr LIBRARY_CONSTRUCTOR ConstructorList[] = {UartInit, FailingConstructor};
constexpr UINTN ConstructorCount = sizeof(ConstructorList) / sizeof(ConstructorList[0]);
