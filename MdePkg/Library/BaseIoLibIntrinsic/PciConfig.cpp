// PCI configuration mechanism #1.
#include <Library/IoLib.h>

VOID PciConfigWrite32(UINT8 Bus, UINT8 Device, UINT8 Function, UINT8 Register, UINT32 Value) {
  PortOut32(PCI_CONFIG_ADDRESS_PORT, PciConfigAddress(Bus, Device, Function, Register));
  PortOut32(PCI_CONFIG_DATA_PORT, Value);
}
