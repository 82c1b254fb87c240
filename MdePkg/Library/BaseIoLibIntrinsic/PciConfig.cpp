// PCI configuration mechanism #1.
#include <Library/IoLib.h>

VOID PciConfigWrite32(UINT8 Bus, UINT8 Device, UINT8 Function, UINT8 Register, UINT32 Value) {
  UINT32 Address = 0x80000000u | (UINT32{Bus} << 16) | (UINT32{Device} << 11) |
                   (UINT32{Function} << 8) | Register;
  PortOut32(PCI_CONFIG_ADDRESS_PORT, Address);
  PortOut32(PCI_CONFIG_DATA_PORT, Value);
}
