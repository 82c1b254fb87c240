// The host build's stand-in for the processor's I/O port space. The module's
// PortIn8/PortOut8/PortOut32Unchecked are linked against this seam instead of IN/OUT
// instructions; whatever port space a test installs receives every access.
#pragma once

#include <PortSpace.h>

// Installs Space as the target of every port access (nullptr: an open bus,
// reads give all ones and writes vanish). Returns the previous one.
PORT_SPACE *HostSetPortSpace(PORT_SPACE *Space);

// Installs a port space for the lifetime of a scope.
class HOST_PORT_SPACE_SCOPE {
public:
  explicit HOST_PORT_SPACE_SCOPE(PORT_SPACE &Space) : Previous(HostSetPortSpace(&Space)) {}
  ~HOST_PORT_SPACE_SCOPE() { HostSetPortSpace(Previous); }
  HOST_PORT_SPACE_SCOPE(const HOST_PORT_SPACE_SCOPE &) = delete;
  HOST_PORT_SPACE_SCOPE &operator=(const HOST_PORT_SPACE_SCOPE &) = delete;

private:
  PORT_SPACE *Previous;
};
