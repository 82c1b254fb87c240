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

  SIMULATED_DEVICE *Claimant(UINT16 Port, UINT8 Width) {
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
UINT32 OpenBus(UINT8 Width) {
  return Width >= 4 ? 0xFFFFFFFFu : (1u << (8 * Width)) - 1;
}
} // namespace

SIMULATED_BOARD::SIMULATED_BOARD(const BOARD_SETUP &Setup)
    : State(std::make_unique<STATE>(Setup)) {}

SIMULATED_BOARD::~SIMULATED_BOARD() = default;

UINT32 SIMULATED_BOARD::In(UINT16 Port, UINT8 Width) {
  SIMULATED_DEVICE *Device = State->Claimant(Port, Width);
  UINT32 Value = Device ? Device->Read(Port, Width) : OpenBus(Width);
  AccessTrace.push_back({FALSE, Width, Port, Value});
  return Value;
}

VOID SIMULATED_BOARD::Out(UINT16 Port, UINT8 Width, UINT32 Value) {
  Value &= OpenBus(Width);
  AccessTrace.push_back({TRUE, Width, Port, Value});
  if (SIMULATED_DEVICE *Device = State->Claimant(Port, Width)) {
    Device->Write(Port, Width, Value);
  }
}

UINT32 SIMULATED_BOARD::PciConfig(UINT8 Bus, UINT8 Device, UINT8 Function, UINT8 Register) const {
  return State->Pci.ConfigDword(Bus, Device, Function, Register);
}

UINT8 SIMULATED_BOARD::SioRegister(UINT8 LogicalDevice, UINT8 Register) const {
  return State->SuperIo.Register(LogicalDevice, Register);
}

UINT8 SIMULATED_BOARD::SioSelectedDevice() const {
  return State->SuperIo.SelectedDevice();
}
UINT8 SIMULATED_BOARD::UartLcr() const {
  return State->Uart.Lcr();
}
UINT16 SIMULATED_BOARD::UartDivisor() const {
  return State->Uart.Divisor();
}
UINT8 SIMULATED_BOARD::UartFcr() const {
  return State->Uart.Fcr();
}
UINT8 SIMULATED_BOARD::UartMcr() const {
  return State->Uart.Mcr();
}
BOOLEAN SIMULATED_BOARD::UartFifosEnabled() const {
  return State->Uart.FifosEnabled();
}

const std::vector<UINT8> &SIMULATED_BOARD::UartTransmitted() const {
  return State->Uart.Transmitted();
}

UINT8 SIMULATED_BOARD::CmosRegister(UINT8 Index) const {
  return State->Cmos.Register(Index);
}
BOOLEAN SIMULATED_BOARD::CmosNmiMasked() const {
  return State->Cmos.NmiMasked();
}
