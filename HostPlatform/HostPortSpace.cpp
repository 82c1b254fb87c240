// Port accesses of the host build, routed to the installed port space.
#include "HostPortSpace.h"

#include <Library/IoLib.h>

namespace {
PORT_SPACE *CurrentSpace = nullptr;
}

PORT_SPACE *HostSetPortSpace(PORT_SPACE *Space) {
  PORT_SPACE *Previous = CurrentSpace;
  CurrentSpace = Space;
  return Previous;
}

UINT8 PortIn8(UINT16 Port) {
  return CurrentSpace ? static_cast<UINT8>(CurrentSpace->In(Port, 1)) : UINT8{0xFF};
}

VOID PortOut8(UINT16 Port, UINT8 Value) {
  if (CurrentSpace) {
    CurrentSpace->Out(Port, 1, Value);
  }
}

VOID PortOut32Unchecked(UINT16 Port, UINT32 Value) {
  if (CurrentSpace) {
    CurrentSpace->Out(Port, 4, Value);
  }
}
