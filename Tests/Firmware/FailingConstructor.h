// A library constructor that fails, and the module's constructor list with it
// added: the failing-constructor image runs this list, and host tests start
// the module with the same one or use the constructor on its own.
#pragma once

#include "StartUp.h"

#include <Library/SerialPortLib.h>

inline EFI_STATUS FailingConstructor(VOID) {
  return EFI_DEVICE_ERROR;
}

inline constexpr LIBRARY_CONSTRUCTOR FailingConstructorList[] = {UartInit, FailingConstructor};
inline constexpr UINTN FailingConstructorCount =
    sizeof(FailingConstructorList) / sizeof(FailingConstructorList[0]);
