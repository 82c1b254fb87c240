// The CMOS RAM behind index port 0x70 and data port 0x71: 128 bytes. Bit 7 of
// an index write is the NMI mask and takes no part in the index. The index
// port is write-only, as on the classic part: reading it gives all ones.
#pragma once

#include "SimulatedDevice.h"

#include <array>

class SIMULATED_CMOS : public SIMULATED_DEVICE {
public:
  static constexpr UINT16 INDEX_PORT = 0x70;
  static constexpr UINT16 DATA_PORT = 0x71;
  static constexpr UINT8 BAUD_SELECT = 0x6F;

  explicit SIMULATED_CMOS(UINT8 BaudSelect);

  bool Claims(UINT16 Port, UINT8 Width) const override;
  UINT32 Read(UINT16 Port, UINT8 Width) override;
  VOID Write(UINT16 Port, UINT8 Width, UINT32 Value) override;

  UINT8 Register(UINT8 Index) const { return Ram[Index & INDEX_MASK]; }
  BOOLEAN NmiMasked() const { return NmiMask; }

private:
  static constexpr UINT8 NMI_MASK_BIT = 0x80;
  static constexpr UINT8 INDEX_MASK = 0x7F;
  std::array<UINT8, 128> Ram{};
  UINT8 Index = 0;
  BOOLEAN NmiMask = FALSE;
};
