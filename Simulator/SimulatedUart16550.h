// A 16550-compatible UART at 0x3F8 with a transmit log instead of a line.
// Nothing is ever received and no interrupt is ever pending, so IIR reads
// 0x01, with bits 7..6 set while the FIFOs are on and bits 5..1 as set up. A
// transmitter can be made slow: after every byte written to THR, the next
// BusyReads LSR reads show THR empty and transmitter empty (bits 5 and 6) clear.
#pragma once

#include "SimulatedDevice.h"

#include <vector>

struct UART_16550_SETUP {
  uint8_t Lcr;
  uint16_t Divisor;
  uint8_t Mcr;
  bool FifosEnabled;
  bool FifosBroken;
  uint32_t BusyReads;
  uint8_t IirOtherBits; // bits 5..1 of every IIR read
};

class SIMULATED_UART_16550 : public SIMULATED_DEVICE {
public:
  static constexpr uint16_t BASE = 0x3F8;

  explicit SIMULATED_UART_16550(const UART_16550_SETUP &Setup);

  bool Claims(uint16_t Port, uint8_t Width) const override;
  uint32_t Read(uint16_t Port, uint8_t Width) override;
  void Write(uint16_t Port, uint8_t Width, uint32_t Value) override;

  uint8_t Lcr() const { return LineControl; }
  uint16_t Divisor() const { return DivisorLatch; }
  uint8_t Fcr() const { return FifoControl; }
  uint8_t Mcr() const { return ModemControl; }
  bool FifosEnabled() const { return FifosOn; }
  const std::vector<uint8_t> &Transmitted() const { return TransmitLog; }

private:
  bool DivisorLatchAccess() const;
  uint8_t LineStatus();

  uint8_t LineControl;
  uint16_t DivisorLatch;
  uint8_t ModemControl;
  uint8_t FifoControl = 0;
  uint8_t InterruptEnable = 0;
  uint8_t Scratch = 0;
  bool FifosOn;
  bool FifosBroken;
  uint32_t BusyReads;
  uint8_t IirOtherBits;
  uint32_t BusyReadsLeft = 0;
  std::vector<uint8_t> TransmitLog;
};
