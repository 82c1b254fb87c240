// The emulator's firmware configuration device (selector port 0x510, data
// port 0x511): named files a test passes on the emulator's command line.
#pragma once

#include <Base.h>

// Copies up to Capacity - 1 bytes of the file Name and a NUL into Buffer.
// Returns FALSE when the device is absent or has no such file.
BOOLEAN FwCfgReadFile(const CHAR8 *Name, CHAR8 *Buffer, UINT32 Capacity);
