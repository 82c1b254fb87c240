// A 16550-compatible UART at 0x3F8 with a transmit log instead of a line.
// Nothing is ever received and no interrupt is ever pending, so IIR reads
// 0x01, with bits 7..6 set while the FIFOs are on and bits 5..1 as set up. A
// transmitter can be made slow: after every byte written to THR, the next
// BusyReads LSR reads show THR empty and transmitter empty (bits 5 and 6) clear.
#pragma once

#include "SimulatedDevice.h"

#include <vector>

struct UART_16550_SETUP {
  UINT8 Lcr;
  UINT16 Divisor;
  UINT8 Mcr;
  BOOLEAN FifosEnabled;
  BOOLEAN FifosBroken;
  UINT32 BusyReads;
  UINT8 IirOtherBits; // bits 5..1 of every IIR read
};

class SIMULATED_UART_16550 : public SIMULATED_DEVICE {
public:
  static constexpr UINT16 BASE = 0x3F8;

  explicit SIMULATED_UART_16550(const UART_16550_SETUP &Setup);

  bool Claims(UINT16 Port, UINT8 Width) const override;
  UINT32 Read(UINT16 Port, UINT8 Width) override;
  VOID Write(UINT16 Port, UINT8 Width, UINT32 Value) override;

  UINT8 Lcr() const { return LineControl; }
  UINT16 Divisor() const { return DivisorLatch; }
  UINT8 Fcr() const { return FifoControl; }
  UINT8 Mcr() const { return ModemControl; }
  BOOLEAN FifosEnabled() const { return FifosOn; }
  const std::vector<UINT8> &Transmitted() const { return TransmitLog; }

private:
  bool DivisorLatchAccess() const;
  UINT8 LineStatus();

  UINT8 LineControl;
  UINT16 DivisorLatch;
  UINT8 ModemControl;
  UINT8 FifoControl = 0;
  UINT8 InterruptEnable = 0;
  UINT8 Scratch = 0;
  BOOLEAN FifosOn;
  BOOLEAN FifosBroken;
  UINT32 BusyReads;
  UINT8 IirOtherBits;
  UINT32 BusyReadsLeft = 0;
  std::vector<UINT8> TransmitLog;
};
