// Simulated hardware of the debug serial console, shared by the host tests and
// the emulator runner: a port space that records every access in order and
// dispatches it to device models. Ports no device claims behave as an open
// bus: reads give all ones, writes are ignored.
#pragma once

#include <HostPortSpace.h>

#include <array>
#include <memory>
#include <iosfwd>
#include <string>
#include <vector>

struct PORT_ACCESS {
  BOOLEAN IsWrite;
  UINT8 Width; // 1 or 4 bytes
  UINT16 Port;
  UINT32 Value; // the value written, or the value the read returned

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
  std::array<std::array<UINT8, 256>, 256> SioRegisters{};
  UINT8 SioSelectedDevice = 0;

  // CMOS (index 0x70, data 0x71): the baud-rate selector register 0x6F. Every
  // other CMOS register starts at 0.
  UINT8 CmosBaudSelect = 0x00;

  // 16550 at 0x3F8.
  UINT8 UartLcr = 0x00;
  UINT16 UartDivisor = 0x0000;
  UINT8 UartMcr = 0x00;
  BOOLEAN UartFifosEnabled = FALSE; // the FIFO state before any FCR write
  BOOLEAN UartFifosBroken = FALSE;  // the FIFOs never turn on, whatever FCR says ("FIFOs off")
  UINT32 UartBusyReads = 0;         // LSR reads that show a busy transmitter, per wait
                                    // (counted afresh after every byte written to THR)
  UINT8 UartIirOtherBits = 0x00;    // IIR bits 5..1 as read; bit 0 (no interrupt
                                    // pending) and bits 7..6 (FIFOs on) follow the model
};

class SIMULATED_BOARD : public HOST_PORT_SPACE {
public:
  explicit SIMULATED_BOARD(const BOARD_SETUP &Setup = BOARD_SETUP{});
  ~SIMULATED_BOARD() override;
  SIMULATED_BOARD(const SIMULATED_BOARD &) = delete;
  SIMULATED_BOARD &operator=(const SIMULATED_BOARD &) = delete;

  UINT32 In(UINT16 Port, UINT8 Width) override;
  VOID Out(UINT16 Port, UINT8 Width, UINT32 Value) override;

  const std::vector<PORT_ACCESS> &Trace() const { return AccessTrace; }
  VOID ClearTrace() { AccessTrace.clear(); }

  // Device state, for tests to check after a run.
  UINT32 PciConfig(UINT8 Bus, UINT8 Device, UINT8 Function, UINT8 Register) const;
  UINT8 SioRegister(UINT8 LogicalDevice, UINT8 Register) const;
  UINT8 SioSelectedDevice() const;
  UINT8 UartLcr() const;
  UINT16 UartDivisor() const;
  UINT8 UartFcr() const; // last value written to FCR (0x00 before the first write)
  UINT8 UartMcr() const;
  BOOLEAN UartFifosEnabled() const; // what IIR bits 7..6 report
  const std::vector<UINT8> &UartTransmitted() const;
  UINT8 CmosRegister(UINT8 Index) const; // Index 0x00..0x7F
  BOOLEAN CmosNmiMasked() const;         // bit 7 of the last CMOS index write

private:
  // The device models, each claiming its own ports.
  struct STATE;
  std::unique_ptr<STATE> State;
  std::vector<PORT_ACCESS> AccessTrace;
};
