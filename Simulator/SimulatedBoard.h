// Simulated hardware of the debug serial console, shared by the host tests and
// the emulator runner: a port space that records every access in order and
// dispatches it to device models. Ports no device claims behave as an open
// bus: reads give all ones, writes are ignored.
#pragma once

#include <PortSpace.h>

#include <array>
#include <memory>
#include <iosfwd>
#include <string>
#include <vector>

struct PORT_ACCESS {
  bool IsWrite;
  uint8_t Width; // 1 or 4 bytes
  uint16_t Port;
  uint32_t Value; // the value written, or the value the read returned

  bool operator==(const PORT_ACCESS &Other) const = default;
};

// "out8  0x0370 <- 0x07", "in8   0x0371 -> 0x01", "out32 0x0CF8 <- 0x8000F880"
std::string FormatAccess(const PORT_ACCESS &Access);
// One access a line.
std::string FormatTrace(const std::vector<PORT_ACCESS> &Trace);
// Writes FormatAccess(Access), so that test frameworks print accesses readably.
std::ostream &operator<<(std::ostream &Stream, const PORT_ACCESS &Access);

// Start values and knobs a test turns before the run.
struct BOARD_SETUP {
  // Super I/O (index 0x370, data 0x371): start values of the registers of each
  // logical device (indexed [device][register]); register 0x07 selects the device
  // and reads back the selected device.
  std::array<std::array<uint8_t, 256>, 256> SioRegisters{};
  uint8_t SioSelectedDevice = 0;

  // CMOS (index 0x70, data 0x71): the baud-rate selector register 0x6F. Every
  // other CMOS register starts at 0.
  uint8_t CmosBaudSelect = 0x00;

  // 16550 at 0x3F8.
  uint8_t UartLcr = 0x00;
  uint16_t UartDivisor = 0x0000;
  uint8_t UartMcr = 0x00;
  bool UartFifosEnabled = false;   // the FIFO state before any FCR write
  bool UartFifosBroken = false;    // the FIFOs never turn on, whatever FCR says ("FIFOs off")
  uint32_t UartBusyReads = 0;      // LSR reads that show a busy transmitter, per wait
                                   // (counted afresh after every byte written to THR)
  uint8_t UartIirOtherBits = 0x00; // IIR bits 5..1 as read; bit 0 (no interrupt
                                   // pending) and bits 7..6 (FIFOs on) follow the model
};

class SIMULATED_BOARD : public PORT_SPACE {
public:
  explicit SIMULATED_BOARD(const BOARD_SETUP &Setup = BOARD_SETUP{});
  ~SIMULATED_BOARD() override;
  SIMULATED_BOARD(const SIMULATED_BOARD &) = delete;
  SIMULATED_BOARD &operator=(const SIMULATED_BOARD &) = delete;

  uint32_t In(uint16_t Port, uint8_t Width) override;
  void Out(uint16_t Port, uint8_t Width, uint32_t Value) override;

  const std::vector<PORT_ACCESS> &Trace() const { return AccessTrace; }
  void ClearTrace() { AccessTrace.clear(); }

  // Device state, for tests to check after a run.
  uint32_t PciConfig(uint8_t Bus, uint8_t Device, uint8_t Function, uint8_t Register) const;
  uint8_t SioRegister(uint8_t LogicalDevice, uint8_t Register) const;
  uint8_t SioSelectedDevice() const;
  uint8_t UartLcr() const;
  uint16_t UartDivisor() const;
  uint8_t UartFcr() const; // last value written to FCR (0x00 before the first write)
  uint8_t UartMcr() const;
  bool UartFifosEnabled() const; // what IIR bits 7..6 report
  const std::vector<uint8_t> &UartTransmitted() const;
  uint8_t CmosRegister(uint8_t Index) const; // Index 0x00..0x7F
  bool CmosNmiMasked() const;                // bit 7 of the last CMOS index write

private:
  // The device models, each claiming its own ports.
  struct STATE;
  std::unique_ptr<STATE> State;
  std::vector<PORT_ACCESS> AccessTrace;
};
