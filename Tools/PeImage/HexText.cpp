#include "HexText.h"

#include <cstdio>

std::string Hex32(unsigned long long Value) {
  char Text[24];
  std::snprintf(Text, sizeof Text, "0x%08llX", Value);
  return Text;
}
