#include "SimulatedUart16550.h"

namespace {
// Register offsets from the base.
constexpr UINT16 RBR_THR_DLL = 0;
constexpr UINT16 IER_DLM = 1;
constexpr UINT16 IIR_FCR = 2;
constexpr UINT16 LCR = 3;
constexpr UINT16 MCR = 4;
constexpr UINT16 LSR = 5;
constexpr UINT16 MSR = 6;
constexpr UINT16 SCR = 7;
constexpr UINT16 REGISTER_COUNT = 8;

constexpr UINT8 LCR_DLAB = 0x80;
constexpr UINT8 FCR_FIFO_ENABLE = 0x01;
constexpr UINT8 IIR_NO_INTERRUPT = 0x01;
constexpr UINT8 IIR_FIFOS_ENABLED = 0xC0;
constexpr UINT8 IIR_OTHER_BITS = 0x3E;
constexpr UINT8 LSR_THR_EMPTY = 0x20;
constexpr UINT8 LSR_TRANSMITTER_EMPTY = 0x40;
} // namespace

SIMULATED_UART_16550::SIMULATED_UART_16550(const UART_16550_SETUP &Setup)
    : LineControl(Setup.Lcr), DivisorLatch(Setup.Divisor), ModemControl(Setup.Mcr),
      FifosOn(Setup.FifosEnabled && !Setup.FifosBroken), FifosBroken(Setup.FifosBroken),
      BusyReads(Setup.BusyReads), IirOtherBits(Setup.IirOtherBits & IIR_OTHER_BITS) {}

bool SIMULATED_UART_16550::Claims(UINT16 Port, UINT8 Width) const {
  return Width == 1 && Port >= BASE && Port < BASE + REGISTER_COUNT;
}

bool SIMULATED_UART_16550::DivisorLatchAccess() const {
  return (LineControl & LCR_DLAB) != 0;
}

UINT8 SIMULATED_UART_16550::LineStatus() {
  if (BusyReadsLeft > 0) {
    --BusyReadsLeft;
    return 0x00;
  }
  return LSR_THR_EMPTY | LSR_TRANSMITTER_EMPTY;
}

UINT32 SIMULATED_UART_16550::Read(UINT16 Port, UINT8 Width) {
  (VOID) Width;
  switch (Port - BASE) {
  case RBR_THR_DLL:
    // Nothing is ever received: the receive buffer reads 0.
    return DivisorLatchAccess() ? (DivisorLatch & 0xFF) : 0x00;
  case IER_DLM:
    return DivisorLatchAccess() ? (DivisorLatch >> 8) : InterruptEnable;
  case IIR_FCR:
    return IIR_NO_INTERRUPT | IirOtherBits | (FifosOn ? IIR_FIFOS_ENABLED : 0);
  case LCR:
    return LineControl;
  case MCR:
    return ModemControl;
  case LSR:
    return LineStatus();
  case MSR:
    return 0x00;
  default:
    return Scratch;
  }
}

VOID SIMULATED_UART_16550::Write(UINT16 Port, UINT8 Width, UINT32 Value) {
  (VOID) Width;
  UINT8 Byte = static_cast<UINT8>(Value);
  switch (Port - BASE) {
  case RBR_THR_DLL:
    if (DivisorLatchAccess()) {
      DivisorLatch = static_cast<UINT16>((DivisorLatch & 0xFF00) | Byte);
    } else {
      TransmitLog.push_back(Byte);
      BusyReadsLeft = BusyReads;
    }
    break;
  case IER_DLM:
    if (DivisorLatchAccess()) {
      DivisorLatch = static_cast<UINT16>((DivisorLatch & 0x00FF) | (Byte << 8));
    } else {
      InterruptEnable = Byte;
    }
    break;
  case IIR_FCR:
    FifoControl = Byte;
    FifosOn = (Byte & FCR_FIFO_ENABLE) != 0 && !FifosBroken;
    break;
  case LCR:
    LineControl = Byte;
    break;
  case MCR:
    ModemControl = Byte;
    break;
  case SCR:
    Scratch = Byte;
    break;
  default:
    // LSR and MSR are read-only here.
    break;
  }
}
