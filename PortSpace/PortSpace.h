// The x86 I/O port space as the host side of the project sees it: the
// module's host build sends its port accesses to one, the simulated board is
// one, and the emulator hands the image's IN and OUT instructions to one.
#pragma once

#include <cstdint>

class PORT_SPACE {
public:
  virtual ~PORT_SPACE() = default;
  // Width is 1 or 4 bytes.
  virtual uint32_t In(uint16_t Port, uint8_t Width) = 0;
  virtual void Out(uint16_t Port, uint8_t Width, uint32_t Value) = 0;
};
