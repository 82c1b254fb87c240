// The simulated board: records every access, then hands it to the device that
// claims the port at that width, or treats it as open bus.
#include "SimulatedBoard.h"

#include "SimulatedCmos.h"
#include "SimulatedPciHost.h"
#include "SimulatedSuperIo.h"
#include "SimulatedUart16550.h"

#include <array>

struct SIMULATED_BOARD::STATE {
  explicit STATE(const BOARD_SETUP &Setup)
      : SuperIo(Setup.SioRegisters, Setup.SioSelectedDevice), Cmos(Setup.CmosBaudSelect),
        Uart({Setup.UartLcr, Setup.UartDivisor, Setup.UartMcr, Setup.UartFifosEnabled,
              Setup.UartFifosBroken, Setup.UartBusyReads, Setup.UartIirOtherBits}) {}

  SIMULATED_DEVICE *Claimant(uint16_t Port, uint8_t Width) {
    for (SIMULATED_DEVICE *Device : Devices) {
      if (Device->Claims(Port, Width)) {
        return Device;
      }
    }
    return nullptr;
  }

  SIMULATED_PCI_HOST Pci;
  SIMULATED_SUPER_IO SuperIo;
  SIMULATED_CMOS Cmos;
  SIMULATED_UART_16550 Uart;
  const std::array<SIMULATED_DEVICE *, 4> Devices{&Pci, &SuperIo, &Cmos, &Uart};
};

namespace {
uint32_t OpenBus(uint8_t Width) {
  return Width >= 4 ? 0xFFFFFFFFu : (1u << (8 * Width)) - 1;
}
} // namespace

SIMULATED_BOARD::SIMULATED_BOARD(const BOARD_SETUP &Setup)
    : State(std::make_unique<STATE>(Setup)) {}

SIMULATED_BOARD::~SIMULATED_BOARD() = default;

uint32_t SIMULATED_BOARD::In(uint16_t Port, uint8_t Width) {
  SIMULATED_DEVICE *Device = State->Claimant(Port, Width);
  uint32_t Value = Device ? Device->Read(Port, Width) : OpenBus(Width);
  AccessTrace.push_back({false, Width, Port, Value});
  return Value;
}

void SIMULATED_BOARD::Out(uint16_t Port, uint8_t Width, uint32_t Value) {
  Value &= OpenBus(Width);
  AccessTrace.push_back({true, Width, Port, Value});
  if (SIMULATED_DEVICE *Device = State->Claimant(Port, Width)) {
    Device->Write(Port, Width, Value);
  }
}

uint32_t SIMULATED_BOARD::PciConfig(uint8_t Bus, uint8_t Device, uint8_t Function,
                                    uint8_t Register) const {
  return State->Pci.ConfigDword(Bus, Device, Function, Register);
}

uint8_t SIMULATED_BOARD::SioRegister(uint8_t LogicalDevice, uint8_t Register) const {
  return State->SuperIo.Register(LogicalDevice, Register);
}

uint8_t SIMULATED_BOARD::SioSelectedDevice() const {
  return State->SuperIo.SelectedDevice();
}
uint8_t SIMULATED_BOARD::UartLcr() const {
  return State->Uart.Lcr();
}
uint16_t SIMULATED_BOARD::UartDivisor() const {
  return State->Uart.Divisor();
}
uint8_t SIMULATED_BOARD::UartFcr() const {
  return State->Uart.Fcr();
}
uint8_t SIMULATED_BOARD::UartMcr() const {
  return State->Uart.Mcr();
}
bool SIMULATED_BOARD::UartFifosEnabled() const {
  return State->Uart.FifosEnabled();
}

const std::vector<uint8_t> &SIMULATED_BOARD::UartTransmitted() const {
  return State->Uart.Transmitted();
}

uint8_t SIMULATED_BOARD::CmosRegister(uint8_t Index) const {
  return State->Cmos.Register(Index);
}
bool SIMULATED_BOARD::CmosNmiMasked() const {
  return State->Cmos.NmiMasked();
}
