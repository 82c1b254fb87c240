// The platform half of the debug serial console: route the legacy I/O ranges
// to the LPC bus, fix up the super I/O, and place the two UARTs at 0x3F8 and
// 0x2F8 unless one of them is already on.
#include "LpcDecode.h"

#include <Library/IoLib.h>
#include <Library/SerialPortLib.h>

namespace {

constexpr UINT16 SIO_INDEX_PORT = 0x370;
constexpr UINT16 SIO_DATA_PORT = 0x371;

// Plug and Play configuration registers of the selected logical device.
constexpr UINT8 SIO_LOGICAL_DEVICE = 0x07;
constexpr UINT8 SIO_ACTIVATE = 0x30;
constexpr UINT8 SIO_BASE_HIGH = 0x60;
constexpr UINT8 SIO_BASE_LOW = 0x61;
constexpr UINT8 SIO_IRQ = 0x70;
constexpr UINT8 SIO_DEVICE_SPECIFIC = 0xF0;

constexpr UINT8 SIO_COM1 = 0x03;
constexpr UINT8 SIO_COM2 = 0x02;
constexpr UINT8 SIO_FIXUP_DEVICE = 0x11;
// Only this exact activate value counts as "already on".
constexpr UINT8 SIO_ACTIVE = 0x01;

struct SIO_FIXUP {
  UINT8 Register;
  UINT8 AndMask;
  UINT8 OrMask;
};

struct SIO_REGISTER_VALUE {
  UINT8 Register;
  UINT8 Value;
};

constexpr SIO_FIXUP SioApplyFixups[] = {
    {SIO_LOGICAL_DEVICE, 0x00, SIO_FIXUP_DEVICE},
    {SIO_BASE_HIGH, 0x00, 0x0C},
    {SIO_BASE_LOW, 0x00, 0xB0},
    {SIO_DEVICE_SPECIFIC, 0xF9, 0x00}, // clear bits 1 and 2
    {SIO_ACTIVATE, 0xFE, 0x01},
};

constexpr SIO_REGISTER_VALUE SioProgramUarts[] = {
    {SIO_LOGICAL_DEVICE, SIO_COM1},
    {SIO_BASE_HIGH, 0x03},
    {SIO_BASE_LOW, 0xF8},
    {SIO_IRQ, 0x04},
    {SIO_ACTIVATE, 0x01},
    {SIO_LOGICAL_DEVICE, SIO_COM2},
    {SIO_BASE_HIGH, 0x02},
    {SIO_BASE_LOW, 0xF8},
    {SIO_IRQ, 0x03},
    {SIO_ACTIVATE, 0x01},
};

constexpr bool FixupsOnlySetClearedBits() {
  for (const SIO_FIXUP &Fixup : SioApplyFixups) {
    if ((Fixup.AndMask & Fixup.OrMask) != 0) {
      return false;
    }
  }
  return true;
}
static_assert(FixupsOnlySetClearedBits(), "a fix-up sets only bits its mask clears");

// What the UART table leaves in Register of LogicalDevice, or -1 if untouched.
constexpr int PlacedValue(UINT8 LogicalDevice, UINT8 Register) {
  int Selected = -1;
  int Value = -1;
  for (const SIO_REGISTER_VALUE &Entry : SioProgramUarts) {
    if (Entry.Register == SIO_LOGICAL_DEVICE) {
      Selected = Entry.Value;
    } else if (Selected == LogicalDevice && Entry.Register == Register) {
      Value = Entry.Value;
    }
  }
  return Value;
}
constexpr int PlacedBase(UINT8 LogicalDevice) {
  return PlacedValue(LogicalDevice, SIO_BASE_HIGH) << 8 | PlacedValue(LogicalDevice, SIO_BASE_LOW);
}
static_assert(PlacedBase(SIO_COM1) == UART_BASE, "logical device 3 is placed at the debug UART");
static_assert(PlacedValue(SIO_COM1, SIO_ACTIVATE) == SIO_ACTIVE &&
                  PlacedValue(SIO_COM2, SIO_ACTIVATE) == SIO_ACTIVE,
              "both UARTs end activated, as the probe counts a UART already on");

// Whether each activate write of the UART table follows the base and IRQ
// writes of the device it activates.
constexpr bool ActivatesOnlyPlacedDevices() {
  UINT32 Written = 0; // bits 0-2: base high, base low, IRQ of the selected device
  for (const SIO_REGISTER_VALUE &Entry : SioProgramUarts) {
    if (Entry.Register == SIO_LOGICAL_DEVICE) {
      Written = 0;
    } else if (Entry.Register == SIO_ACTIVATE) {
      if (Written != 7) {
        return false;
      }
    } else {
      Written |= Entry.Register == SIO_BASE_HIGH ? 1 : Entry.Register == SIO_BASE_LOW ? 2 : 4;
    }
  }
  return true;
}
static_assert(ActivatesOnlyPlacedDevices(),
              "each UART is activated only after its base and IRQ are set");

UINT8 ReadActivate(UINT8 LogicalDevice) {
  PortOut8(SIO_INDEX_PORT, SIO_LOGICAL_DEVICE);
  PortOut8(SIO_DATA_PORT, LogicalDevice);
  PortOut8(SIO_INDEX_PORT, SIO_ACTIVATE);
  return PortIn8(SIO_DATA_PORT);
}

} // namespace

EFI_STATUS SerialPlatformPreInit(VOID) {
  PciConfigWrite32(LPC_BUS, LPC_DEVICE, LPC_FUNCTION, LPC_IO_DECODE, LPC_IO_DECODE_VALUE);

  for (const SIO_FIXUP &Fixup : SioApplyFixups) {
    PortOut8(SIO_INDEX_PORT, Fixup.Register);
    UINT8 Value = PortIn8(SIO_DATA_PORT);
    PortOut8(SIO_DATA_PORT, static_cast<UINT8>((Value & Fixup.AndMask) | Fixup.OrMask));
  }

  // Both probes always run, so that device 2 ends selected either way.
  UINT8 Com1 = ReadActivate(SIO_COM1);
  UINT8 Com2 = ReadActivate(SIO_COM2);
  if (Com1 == SIO_ACTIVE || Com2 == SIO_ACTIVE) {
    return EFI_SUCCESS;
  }

  for (const SIO_REGISTER_VALUE &Entry : SioProgramUarts) {
    PortOut8(SIO_INDEX_PORT, Entry.Register);
    PortOut8(SIO_DATA_PORT, Entry.Value);
  }
  return EFI_SUCCESS;
}
