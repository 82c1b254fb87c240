// A device model on the simulated port space: it claims some ports at some
// widths and answers the accesses made to them.
#pragma once

#include <Base.h>

class SIMULATED_DEVICE {
public:
  virtual ~SIMULATED_DEVICE() = default;
  virtual bool Claims(UINT16 Port, UINT8 Width) const = 0;
  virtual UINT32 Read(UINT16 Port, UINT8 Width) = 0;
  virtual VOID Write(UINT16 Port, UINT8 Width, UINT32 Value) = 0;
};
