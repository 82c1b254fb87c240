// Reading the published flash map the way another PEI module would: through
// the descriptor's pointers, from the image's own (emulated) memory.
#include "PublishedFlashMap.h"

#include <bit>
#include <cstdio>
#include <cstring>

namespace {

static_assert(std::endian::native == std::endian::little,
              "the record is decoded in place from IA32 memory");

bool ReadWord(const IMAGE_EMULATOR &Emulator, uint32_t Address, uint32_t &Value) {
  uint8_t Bytes[4];
  if (!Emulator.ReadMemory(Address, Bytes, sizeof Bytes)) {
    return false;
  }
  Value = uint32_t{Bytes[0]} | uint32_t{Bytes[1]} << 8 | uint32_t{Bytes[2]} << 16 |
          uint32_t{Bytes[3]} << 24;
  return true;
}

std::string Unreadable(const char *What, uint32_t Address) {
  char Text[96];
  std::snprintf(Text, sizeof Text, "%s at 0x%08X is not in emulated memory", What, Address);
  return Text;
}

} // namespace

std::optional<PUBLISHED_FLASH_MAP> ReadPublishedFlashMap(const IMAGE_EMULATOR &Emulator,
                                                         uint32_t DescriptorAddress,
                                                         std::string &Error) {
  PUBLISHED_FLASH_MAP Map;
  Map.DescriptorAddress = DescriptorAddress;
  if (!ReadWord(Emulator, DescriptorAddress, Map.Flags) ||
      !ReadWord(Emulator, DescriptorAddress + 4, Map.GuidAddress) ||
      !ReadWord(Emulator, DescriptorAddress + 8, Map.PpiAddress)) {
    Error = Unreadable("the PPI descriptor", DescriptorAddress);
    return std::nullopt;
  }
  if (!Emulator.ReadMemory(Map.GuidAddress, Map.GuidBytes.data(), Map.GuidBytes.size())) {
    Error = Unreadable("the PPI GUID", Map.GuidAddress);
    return std::nullopt;
  }
  if (!ReadWord(Emulator, Map.PpiAddress, Map.RecordAddress)) {
    Error = Unreadable("the PPI body", Map.PpiAddress);
    return std::nullopt;
  }
  if (!Emulator.ReadMemory(Map.RecordAddress, Map.RecordBytes.data(), Map.RecordBytes.size())) {
    Error = Unreadable("the flash map record", Map.RecordAddress);
    return std::nullopt;
  }
  std::memcpy(&Map.Record, Map.RecordBytes.data(), sizeof Map.Record);
  return Map;
}

std::string FormatGuid(const std::array<uint8_t, sizeof(EFI_GUID)> &B) {
  char Text[40];
  std::snprintf(Text, sizeof Text,
                "%02X%02X%02X%02X-%02X%02X-%02X%02X-%02X%02X-%02X%02X%02X%02X%02X%02X", B[3], B[2],
                B[1], B[0], B[5], B[4], B[7], B[6], B[8], B[9], B[10], B[11], B[12], B[13], B[14],
                B[15]);
  return Text;
}
