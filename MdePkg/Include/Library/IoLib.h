// Port I/O: the only way the module reaches hardware.
//
// PortIn8, PortOut8 and PortOut32Unchecked are the raw accesses. The image
// implements them with the processor's IN/OUT instructions; the host build
// links a simulated port space in their place. Every call is exactly one access.
#pragma once

#include <Base.h>

UINT8 PortIn8(UINT16 Port);
VOID PortOut8(UINT16 Port, UINT8 Value);
// One raw 32-bit write, without the alignment check of PortOut32.
VOID PortOut32Unchecked(UINT16 Port, UINT32 Value);

// The accesses only other PEIMs of the platform make (the boot platform's
// firmware configuration selector and PCI configuration read-back). The
// module never does, so the host build's port space does not provide them.
VOID PortOut16(UINT16 Port, UINT16 Value);
UINT32 PortIn32(UINT16 Port);

// Checks that Port is a multiple of 4 (an assertion report otherwise, and the
// write still happens), writes Value and returns it.
UINT32 PortOut32(UINT16 Port, UINT32 Value);

#define PCI_CONFIG_ADDRESS_PORT 0xCF8
#define PCI_CONFIG_DATA_PORT 0xCFC

// What PCI configuration mechanism #1 writes to PCI_CONFIG_ADDRESS_PORT to
// reach Register of Bus:Device.Function: the enable bit and the four fields.
constexpr UINT32 PciConfigAddress(UINT8 Bus, UINT8 Device, UINT8 Function, UINT8 Register) {
  return 0x80000000u | (UINT32{Bus} << 16) | (UINT32{Device} << 11) | (UINT32{Function} << 8) |
         Register;
}

// PCI configuration mechanism #1: the address to 0xCF8, then Value to 0xCFC.
VOID PciConfigWrite32(UINT8 Bus, UINT8 Device, UINT8 Function, UINT8 Register, UINT32 Value);
