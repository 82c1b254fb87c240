#include "MessageText.h"

#include <cstdio>

namespace HostTools {

std::string Hex32(unsigned long long Value) {
  char Text[24];
  std::snprintf(Text, sizeof Text, "0x%08llX", Value);
  return Text;
}

std::string OneLine(std::string Text) {
  for (char &Character : Text) {
    if (Character == '\n' || Character == '\r') {
      Character = ' ';
    }
  }
  return Text;
}

} // namespace HostTools
