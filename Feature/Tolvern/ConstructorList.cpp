// The module's library constructors: just the debug serial console.
#include "StartUp.h"

#include <Library/SerialPortLib.h>

constexpr LIBRARY_CONSTRUCTOR ConstructorList[] = {UartInit};
constexpr UINTN ConstructorCount = sizeof(ConstructorList) / sizeof(ConstructorList[0]);
