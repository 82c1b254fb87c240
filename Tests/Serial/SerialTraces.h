// Building blocks of the expected port traces of the serial console, and the
// two boards the tests start from.
#pragma once

#include "SimulatedBoard.h"

#include <Base.h>
#include <HostPortSpace.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <initializer_list>
#include <string>
#include <vector>

typedef std::vector<PORT_ACCESS> TRACE;

// A byte as part of a test's name: "0xA5".
inline std::string HexName(UINT8 Value) {
  char Text[8];
  std::snprintf(Text, sizeof Text, "0x%02X", Value);
  return Text;
}

inline PORT_ACCESS In8(UINT16 Port, UINT8 Value) {
  return {FALSE, 1, Port, Value};
}
inline PORT_ACCESS Out8(UINT16 Port, UINT8 Value) {
  return {TRUE, 1, Port, Value};
}
inline PORT_ACCESS Out32(UINT16 Port, UINT32 Value) {
  return {TRUE, 4, Port, Value};
}

inline TRACE Join(std::initializer_list<TRACE> Parts) {
  TRACE All;
  for (const TRACE &Part : Parts) {
    All.insert(All.end(), Part.begin(), Part.end());
  }
  return All;
}

// The whole trace must match; on a mismatch both are printed in full.
inline ::testing::AssertionResult TraceIs(const TRACE &Actual, const TRACE &Expected) {
  if (Actual == Expected) {
    return ::testing::AssertionSuccess();
  }
  size_t First = 0;
  while (First < Actual.size() && First < Expected.size() && Actual[First] == Expected[First]) {
    ++First;
  }
  return ::testing::AssertionFailure()
         << "traces differ from access " << First << "\nexpected (" << Expected.size()
         << " accesses):\n"
         << FormatTrace(Expected) << "actual (" << Actual.size() << " accesses):\n"
         << FormatTrace(Actual);
}

// The ports as these tests know them, written out apart from the module's
// own names (Uart16550.h, SerialPlatformPreInit.cpp) so that they check them.
constexpr UINT16 SIO_INDEX = 0x370;
constexpr UINT16 SIO_DATA = 0x371;
constexpr UINT16 THR = 0x3F8;
constexpr UINT16 DLL = 0x3F8;
constexpr UINT16 DLM = 0x3F9;
constexpr UINT16 IIR = 0x3FA;
constexpr UINT16 FCR = 0x3FA;
constexpr UINT16 LCR = 0x3FB;
constexpr UINT16 MCR = 0x3FC;
constexpr UINT16 LSR = 0x3FD;

inline TRACE LpcDecodeTrace() {
  return {Out32(0xCF8, 0x8000F880), Out32(0xCFC, 0x040B1010)};
}

// The values the five fix-up reads return, and what registers 0xF0 and 0x30
// must be written with.
struct FIXUP_READS {
  UINT8 Select, BaseHigh, BaseLow, DeviceSpecific, Activate;
};

inline TRACE FixupTrace(const FIXUP_READS &Read, UINT8 WrittenF0, UINT8 Written30) {
  return {Out8(SIO_INDEX, 0x07), In8(SIO_DATA, Read.Select),         Out8(SIO_DATA, 0x11),
          Out8(SIO_INDEX, 0x60), In8(SIO_DATA, Read.BaseHigh),       Out8(SIO_DATA, 0x0C),
          Out8(SIO_INDEX, 0x61), In8(SIO_DATA, Read.BaseLow),        Out8(SIO_DATA, 0xB0),
          Out8(SIO_INDEX, 0xF0), In8(SIO_DATA, Read.DeviceSpecific), Out8(SIO_DATA, WrittenF0),
          Out8(SIO_INDEX, 0x30), In8(SIO_DATA, Read.Activate),       Out8(SIO_DATA, Written30)};
}

inline TRACE ProbeTrace(UINT8 Com1Activate, UINT8 Com2Activate) {
  return {Out8(SIO_INDEX, 0x07),       Out8(SIO_DATA, 0x03),       Out8(SIO_INDEX, 0x30),
          In8(SIO_DATA, Com1Activate), Out8(SIO_INDEX, 0x07),      Out8(SIO_DATA, 0x02),
          Out8(SIO_INDEX, 0x30),       In8(SIO_DATA, Com2Activate)};
}

inline TRACE UartTableTrace() {
  return {Out8(SIO_INDEX, 0x07), Out8(SIO_DATA, 0x03), Out8(SIO_INDEX, 0x60), Out8(SIO_DATA, 0x03),
          Out8(SIO_INDEX, 0x61), Out8(SIO_DATA, 0xF8), Out8(SIO_INDEX, 0x70), Out8(SIO_DATA, 0x04),
          Out8(SIO_INDEX, 0x30), Out8(SIO_DATA, 0x01), Out8(SIO_INDEX, 0x07), Out8(SIO_DATA, 0x02),
          Out8(SIO_INDEX, 0x60), Out8(SIO_DATA, 0x02), Out8(SIO_INDEX, 0x61), Out8(SIO_DATA, 0xF8),
          Out8(SIO_INDEX, 0x70), Out8(SIO_DATA, 0x03), Out8(SIO_INDEX, 0x30), Out8(SIO_DATA, 0x01)};
}

// UartInit's reads of IIR, LCR, the divisor latch and CMOS 0x6F, for a UART
// whose LCR reads Lcr (DLAB is set around the latch read, then cleared).
inline TRACE UartCheckTrace(UINT8 Iir, UINT8 Lcr, UINT16 Divisor, UINT8 Cmos) {
  UINT8 WithDlab = Lcr | 0x80;
  return {In8(IIR, Iir),
          In8(LCR, Lcr),
          In8(LCR, Lcr),
          Out8(LCR, WithDlab),
          In8(DLM, static_cast<UINT8>(Divisor >> 8)),
          In8(DLL, static_cast<UINT8>(Divisor)),
          In8(LCR, WithDlab),
          Out8(LCR, Lcr & 0x7F),
          Out8(0x70, 0x6F),
          In8(0x71, Cmos)};
}

inline TRACE UartProgramTrace(UINT16 Divisor) {
  return {Out8(LCR, 0x80),
          Out8(DLM, static_cast<UINT8>(Divisor >> 8)),
          Out8(DLL, static_cast<UINT8>(Divisor)),
          Out8(LCR, 0x03),
          Out8(FCR, 0x07),
          Out8(MCR, 0x00)};
}

// A board straight from reset: every super I/O register 0, the UART at LCR 0,
// divisor 0, FIFOs off, CMOS 0x6F = 0.
inline BOARD_SETUP FreshSetup() {
  return BOARD_SETUP{};
}

inline TRACE FreshPreInitTrace() {
  return Join({LpcDecodeTrace(), FixupTrace({0x00, 0x00, 0x00, 0x00, 0x00}, 0x00, 0x01),
               ProbeTrace(0x00, 0x00), UartTableTrace()});
}

// A board an earlier boot stage already set up: both UARTs placed and active,
// device 2 selected, the debug UART at 115200 8-N-1 with FIFOs on and MCR
// 0x0B (DTR, RTS, OUT2), which must survive.
inline BOARD_SETUP ConfiguredSetup() {
  BOARD_SETUP Setup;
  auto &Sio = Setup.SioRegisters;
  Sio[0x11][0x60] = 0x0C;
  Sio[0x11][0x61] = 0xB0;
  Sio[0x11][0xF0] = 0x09;
  Sio[0x11][0x30] = 0x01;
  Sio[3][0x60] = 0x03;
  Sio[3][0x61] = 0xF8;
  Sio[3][0x70] = 0x04;
  Sio[3][0x30] = 0x01;
  Sio[2][0x60] = 0x02;
  Sio[2][0x61] = 0xF8;
  Sio[2][0x70] = 0x03;
  Sio[2][0x30] = 0x01;
  Setup.SioSelectedDevice = 2;
  Setup.CmosBaudSelect = 0x00;
  Setup.UartLcr = 0x03;
  Setup.UartDivisor = 1;
  Setup.UartMcr = 0x0B;
  Setup.UartFifosEnabled = TRUE;
  return Setup;
}

inline TRACE ConfiguredPreInitTrace() {
  return Join({LpcDecodeTrace(), FixupTrace({0x02, 0x0C, 0xB0, 0x09, 0x01}, 0x09, 0x01),
               ProbeTrace(0x01, 0x01)});
}
