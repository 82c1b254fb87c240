// A device model on the simulated port space: it claims some ports at some
// widths and answers the accesses made to them.
#pragma once

#include <cstdint>

class SIMULATED_DEVICE {
public:
  virtual ~SIMULATED_DEVICE() = default;
  virtual bool Claims(uint16_t Port, uint8_t Width) const = 0;
  virtual uint32_t Read(uint16_t Port, uint8_t Width) = 0;
  virtual void Write(uint16_t Port, uint8_t Width, uint32_t Value) = 0;
};
