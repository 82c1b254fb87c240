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

// Checks that Port is a multiple of 4 (an assertion report otherwise, and the
// write still happens), writes Value and returns it.
UINT32 PortOut32(UINT16 Port, UINT32 Value);

// PCI configuration mechanism #1: the address to 0xCF8, then Value to 0xCFC.
VOID PciConfigWrite32(UINT8 Bus, UINT8 Device, UINT8 Function, UINT8 Register, UINT32 Value);

#define PCI_CONFIG_ADDRESS_PORT 0xCF8
#define PCI_CONFIG_DATA_PORT 0xCFC
