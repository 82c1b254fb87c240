#include "SimulatedUart16550.h"

namespace {
// Register offsets from the base, named by what is read and written there.
enum REGISTER : uint16_t { RBR_THR_DLL, IER_DLM, IIR_FCR, LCR, MCR, LSR, MSR, SCR, REGISTER_COUNT };

constexpr uint8_t LCR_DLAB = 0x80;
constexpr uint8_t FCR_FIFO_ENABLE = 0x01;
constexpr uint8_t IIR_NO_INTERRUPT = 0x01;
constexpr uint8_t IIR_FIFOS_ENABLED = 0xC0;
constexpr uint8_t IIR_OTHER_BITS = 0x3E;
constexpr uint8_t LSR_THR_EMPTY = 0x20;
constexpr uint8_t LSR_TRANSMITTER_EMPTY = 0x40;
} // namespace

SIMULATED_UART_16550::SIMULATED_UART_16550(const UART_16550_SETUP &Setup)
    : LineControl(Setup.Lcr), DivisorLatch(Setup.Divisor), ModemControl(Setup.Mcr),
      FifosOn(Setup.FifosEnabled && !Setup.FifosBroken), FifosBroken(Setup.FifosBroken),
      BusyReads(Setup.BusyReads), IirOtherBits(Setup.IirOtherBits & IIR_OTHER_BITS) {}

bool SIMULATED_UART_16550::Claims(uint16_t Port, uint8_t Width) const {
  return Width == 1 && Port >= BASE && Port < BASE + REGISTER_COUNT;
}

bool SIMULATED_UART_16550::DivisorLatchAccess() const {
  return (LineControl & LCR_DLAB) != 0;
}

uint8_t SIMULATED_UART_16550::LineStatus() {
  if (BusyReadsLeft > 0) {
    --BusyReadsLeft;
    return 0x00;
  }
  return LSR_THR_EMPTY | LSR_TRANSMITTER_EMPTY;
}

uint32_t SIMULATED_UART_16550::Read(uint16_t Port, uint8_t Width) {
  (void)Width;
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

void SIMULATED_UART_16550::Write(uint16_t Port, uint8_t Width, uint32_t Value) {
  (void)Width;
  uint8_t Byte = static_cast<uint8_t>(Value);
  switch (Port - BASE) {
  case RBR_THR_DLL:
    if (DivisorLatchAccess()) {
      DivisorLatch = static_cast<uint16_t>((DivisorLatch & 0xFF00) | Byte);
    } else {
      TransmitLog.push_back(Byte);
      BusyReadsLeft = BusyReads;
    }
    break;
  case IER_DLM:
    if (DivisorLatchAccess()) {
      DivisorLatch = static_cast<uint16_t>((DivisorLatch & 0x00FF) | (Byte << 8));
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
