#include "PublishedFlashMap.h"

#include "LittleEndian.h"
#include "MessageText.h"

namespace HostTools {

namespace {

std::optional<uint32_t> ReadWord(const MEMORY_READER &Read, uint32_t Address) {
  uint8_t Bytes[4];
  if (!Read(Address, Bytes)) {
    return std::nullopt;
  }
  return ReadLe32(Bytes, 0);
}

} // namespace

std::optional<PUBLISHED_FLASH_MAP> FollowFlashMapDescriptor(const MEMORY_READER &Read,
                                                            uint32_t DescriptorAddress,
                                                            std::string &Problem) {
  PUBLISHED_FLASH_MAP Map;
  Map.DescriptorAddress = DescriptorAddress;
  uint8_t Descriptor[12];
  if (!Read(DescriptorAddress, Descriptor)) {
    Problem = "descriptor at " + Hex32(DescriptorAddress) + " cannot be read";
    return std::nullopt;
  }
  Map.Flags = ReadLe32(Descriptor, 0);
  Map.GuidAddress = ReadLe32(Descriptor, 4);
  Map.PpiAddress = ReadLe32(Descriptor, 8);
  if (!Read(Map.GuidAddress, Map.GuidBytes)) {
    Problem = "Guid pointer " + Hex32(Map.GuidAddress) + " leads outside readable memory";
    return std::nullopt;
  }
  const std::optional<uint32_t> RecordAddress = ReadWord(Read, Map.PpiAddress);
  if (!RecordAddress) {
    Problem = "Ppi pointer " + Hex32(Map.PpiAddress) + " leads outside readable memory";
    return std::nullopt;
  }
  Map.RecordAddress = *RecordAddress;
  Map.RecordBytes.resize(FLASH_MAP_RECORD_SIZE);
  if (!Read(Map.RecordAddress, Map.RecordBytes)) {
    Problem = "record at " + Hex32(Map.RecordAddress) + " does not have all its " +
              std::to_string(FLASH_MAP_RECORD_SIZE) + " bytes in readable memory";
    return std::nullopt;
  }
  Map.Record = *DecodeFlashMapRecord(Map.RecordBytes);
  return Map;
}

} // namespace HostTools
