// The CMOS index and data ports. Bit 7 of an index byte masks NMI: every
// index written here keeps it clear.
#pragma once

#include <Base.h>

constexpr UINT16 CMOS_INDEX_PORT = 0x70;
constexpr UINT16 CMOS_DATA_PORT = 0x71;
constexpr UINT8 CMOS_NMI_DISABLE = 0x80;
