#include "Guid.h"

#include "LittleEndian.h"

#include <algorithm>
#include <cstdio>

namespace HostTools {

std::array<uint8_t, 16> GuidBytes(const EFI_GUID &Guid) {
  std::array<uint8_t, 16> Bytes;
  WriteLe32(Bytes, 0, Guid.Data1);
  WriteLe16(Bytes, 4, Guid.Data2);
  WriteLe16(Bytes, 6, Guid.Data3);
  std::copy(std::begin(Guid.Data4), std::end(Guid.Data4), Bytes.begin() + 8);
  return Bytes;
}

std::string GuidText(std::span<const uint8_t, 16> Bytes) {
  char Text[40];
  std::snprintf(Text, sizeof Text, "%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X",
                ReadLe32(Bytes, 0), ReadLe16(Bytes, 4), ReadLe16(Bytes, 6), Bytes[8], Bytes[9],
                Bytes[10], Bytes[11], Bytes[12], Bytes[13], Bytes[14], Bytes[15]);
  return Text;
}

std::string GuidText(const EFI_GUID &Guid) {
  return GuidText(GuidBytes(Guid));
}

} // namespace HostTools
