// Status values as a person reads them.
#pragma once

#include <Uefi/UefiBaseType.h>

#include <string>

namespace TolvernEmu {

// The status's name ("Not Found"), or its eight hexadecimal digits when it has none.
std::string StatusText(EFI_STATUS Status);

} // namespace TolvernEmu
