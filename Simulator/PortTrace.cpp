// Text form of recorded port accesses, for failure messages and logs.
#include "SimulatedBoard.h"

#include <cstdio>
#include <ostream>

std::string FormatAccess(const PORT_ACCESS &Access) {
  char Direction[8];
  std::snprintf(Direction, sizeof Direction, "%s%u", Access.IsWrite ? "out" : "in",
                8u * Access.Width);
  char Line[48];
  std::snprintf(Line, sizeof Line, "%-5s 0x%04X %s 0x%0*X", Direction, Access.Port,
                Access.IsWrite ? "<-" : "->", 2 * Access.Width, Access.Value);
  return Line;
}

std::string FormatTrace(const std::vector<PORT_ACCESS> &Trace) {
  std::string Text;
  for (const PORT_ACCESS &Access : Trace) {
    Text += FormatAccess(Access);
    Text += '\n';
  }
  return Text;
}

std::ostream &operator<<(std::ostream &Stream, const PORT_ACCESS &Access) {
  return Stream << FormatAccess(Access);
}
