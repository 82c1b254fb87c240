// The LPC bridge's I/O decode register pair, which routes the serial port
// ranges and the super I/O configuration ports 0x370/0x371 to the LPC bus:
// low half 0x1010, high half 0x040B.
#pragma once

#include <Base.h>

constexpr UINT8 LPC_BUS = 0;
constexpr UINT8 LPC_DEVICE = 31;
constexpr UINT8 LPC_FUNCTION = 0;
constexpr UINT8 LPC_IO_DECODE = 0x80;
constexpr UINT32 LPC_IO_DECODE_VALUE = 0x040B1010;
