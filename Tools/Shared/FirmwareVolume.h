// Firmware volumes as the host tools read them out of a flash image or dump:
// the header, every file with its state and checksums, and each file's
// sections. Nothing is trusted that has not been checked: a volume that breaks
// a rule keeps the files read before it, and the first problem with where it is.
#pragma once

#include <FvProblem.h>

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace HostTools {

struct FFS_SECTION {
  uint8_t Type = 0;
  size_t Offset = 0; // of its header, from the file's first byte
  size_t Size = 0;   // header included
};

struct FFS_FILE {
  size_t Offset = 0; // from the volume's first byte
  std::array<uint8_t, 16> Name{};
  uint8_t Type = 0;
  uint8_t Attributes = 0;
  uint8_t State = 0; // as it reads with erase polarity 0
  size_t Size = 0;   // header included
  bool HeaderChecksumValid = false;
  std::optional<bool> DataChecksumValid; // checked only once the data is marked valid
  std::vector<FFS_SECTION> Sections;     // none for raw and pad files
  std::string UserInterfaceName;         // empty without a user-interface section
};

struct FIRMWARE_VOLUME {
  size_t Offset = 0;              // in the bytes it was read from
  std::span<const uint8_t> Bytes; // the volume, within the caller's buffer
  uint64_t Length = 0;
  uint32_t Attributes = 0;
  uint16_t HeaderLength = 0;
  uint8_t Erased = 0xFF;
  std::vector<FFS_FILE> Files;
  FV_PROBLEM Problem = FV_SOUND;
  size_t ProblemOffset = 0; // from the volume's first byte
};

// Reads the volume that starts at Offset in Flash. The result refers to Flash's
// bytes: it is valid as long as they are.
FIRMWARE_VOLUME ReadFirmwareVolume(std::span<const uint8_t> Flash, size_t Offset);

// A firmware file on its own (an .ffs file), read as inside a volume erased
// to 0xFF that holds nothing else: Files holds it unless its header is unreadable.
FIRMWARE_VOLUME ReadLoneFile(std::span<const uint8_t> File);

// "at volume offset 0x00000048: file header checksum does not sum to 0"
std::string ProblemText(const FIRMWARE_VOLUME &Volume);

// Holds valid data and is not marked deleted, invalid or for update.
bool IsLiveFile(const FFS_FILE &File);

// A state a written file can have (read with erase polarity 0): its header
// was constructed and is valid; the bits above only retire it.
bool IsWrittenState(uint8_t State);

// The first section of Type, or null.
const FFS_SECTION *FindSection(const FFS_FILE &File, uint8_t Type);

// The data of a section (after its header) or of a raw file (after its header).
std::span<const uint8_t> SectionData(const FIRMWARE_VOLUME &Volume, const FFS_FILE &File,
                                     const FFS_SECTION &Section);
std::span<const uint8_t> FileData(const FIRMWARE_VOLUME &Volume, const FFS_FILE &File);

} // namespace HostTools
