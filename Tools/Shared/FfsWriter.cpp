#include "FfsWriter.h"

#include "Guid.h"
#include "LittleEndian.h"
#include "MessageText.h"

#include <FvProblem.h>
#include <Pi/PiFirmwareFile.h>
#include <Pi/PiFirmwareVolume.h>

#include <algorithm>
#include <bit>
#include <numeric>

namespace HostTools {

namespace {

constexpr uint8_t ERASED = 0xFF;
constexpr size_t FILE_HEADER_SIZE = sizeof(EFI_FFS_FILE_HEADER);
constexpr size_t MAX_SIZE_24 = 0xFFFFFF;
// Header constructed and valid, data valid: stored complemented on flash that erases to 0xFF.
constexpr uint8_t VALID_FILE_STATE = static_cast<uint8_t>(
    ~(EFI_FILE_HEADER_CONSTRUCTION | EFI_FILE_HEADER_VALID | EFI_FILE_DATA_VALID));
constexpr uint32_t VOLUME_ATTRIBUTES = EFI_FVB2_READ_ENABLED_CAP | EFI_FVB2_READ_STATUS |
                                       EFI_FVB2_MEMORY_MAPPED | EFI_FVB2_ERASE_POLARITY;

static_assert(FIRST_FILE_OFFSET == EFI_FV_HEADER_SIZE_ONE_BLOCK_RUN &&
                  FIRST_FILE_OFFSET % FFS_FILE_ALIGNMENT == 0,
              "files start right after a header with one block run");

void PutSize24(std::span<uint8_t> Bytes, size_t Offset, size_t Size) {
  WriteLe(Bytes, Offset, Size, 3);
}

uint8_t Sum8(std::span<const uint8_t> Bytes) {
  return static_cast<uint8_t>(std::accumulate(Bytes.begin(), Bytes.end(), 0u));
}

// A file header; the header checksum is counted while State and FileChecksum are 0.
std::vector<uint8_t> FileHeader(const std::array<uint8_t, 16> &Name, uint8_t Type,
                                uint8_t Attributes, size_t Size, uint8_t FileChecksum) {
  std::vector<uint8_t> Header(FILE_HEADER_SIZE, 0);
  std::copy(Name.begin(), Name.end(), Header.begin());
  Header[OFFSET_OF(EFI_FFS_FILE_HEADER, Type)] = Type;
  Header[OFFSET_OF(EFI_FFS_FILE_HEADER, Attributes)] = Attributes;
  PutSize24(Header, OFFSET_OF(EFI_FFS_FILE_HEADER, Size), Size);
  Header[OFFSET_OF(EFI_FFS_FILE_HEADER, HeaderChecksum)] = static_cast<uint8_t>(-Sum8(Header));
  Header[OFFSET_OF(EFI_FFS_FILE_HEADER, FileChecksum)] = FileChecksum;
  Header[OFFSET_OF(EFI_FFS_FILE_HEADER, State)] = VALID_FILE_STATE;
  return Header;
}

// A pad file of Size bytes: nameless (all erased), its data erased too.
std::vector<uint8_t> PadFile(size_t Size) {
  std::array<uint8_t, 16> Nameless;
  Nameless.fill(ERASED);
  std::vector<uint8_t> File =
      FileHeader(Nameless, EFI_FV_FILETYPE_FFS_PAD, 0, Size, FFS_FIXED_CHECKSUM);
  File.resize(Size, ERASED);
  return File;
}

std::vector<uint8_t> VolumeHeader(uint64_t Length, uint32_t BlockSize) {
  std::vector<uint8_t> Header(FIRST_FILE_OFFSET, 0);
  const std::array<uint8_t, 16> Ffs2 = GuidBytes(EFI_GUID EFI_FIRMWARE_FILE_SYSTEM2_GUID);
  std::copy(Ffs2.begin(), Ffs2.end(),
            Header.begin() + OFFSET_OF(EFI_FIRMWARE_VOLUME_HEADER, FileSystemGuid));
  WriteLe64(Header, OFFSET_OF(EFI_FIRMWARE_VOLUME_HEADER, FvLength), Length);
  WriteLe32(Header, OFFSET_OF(EFI_FIRMWARE_VOLUME_HEADER, Signature), EFI_FVH_SIGNATURE);
  // The volume is aligned to its block size, which the caller keeps a power of two.
  const uint32_t Alignment = static_cast<uint32_t>(std::countr_zero(BlockSize));
  WriteLe32(Header, OFFSET_OF(EFI_FIRMWARE_VOLUME_HEADER, Attributes),
            VOLUME_ATTRIBUTES | Alignment << EFI_FVB2_ALIGNMENT_SHIFT);
  WriteLe16(Header, OFFSET_OF(EFI_FIRMWARE_VOLUME_HEADER, HeaderLength), FIRST_FILE_OFFSET);
  Header[OFFSET_OF(EFI_FIRMWARE_VOLUME_HEADER, Revision)] = EFI_FVH_REVISION;
  const size_t BlockMap = OFFSET_OF(EFI_FIRMWARE_VOLUME_HEADER, BlockMap);
  WriteLe32(Header, BlockMap, static_cast<uint32_t>(Length / BlockSize));
  WriteLe32(Header, BlockMap + 4, BlockSize); // then {0, 0}
  uint16_t Sum = 0;
  for (size_t Offset = 0; Offset < Header.size(); Offset += 2) {
    Sum = static_cast<uint16_t>(Sum + ReadLe16(Header, Offset));
  }
  WriteLe16(Header, OFFSET_OF(EFI_FIRMWARE_VOLUME_HEADER, Checksum), static_cast<uint16_t>(-Sum));
  return Header;
}

std::string At(size_t Offset) {
  return "at volume offset " + Hex32(Offset) + ": ";
}

// Why File cannot stand at its offset when the files before it end at Free,
// or nothing when it can.
std::optional<std::string> PlacementProblem(const PLACED_FILE &File, size_t Free, uint64_t Length) {
  if (File.Offset % FFS_FILE_ALIGNMENT != 0) {
    return At(File.Offset) + FV_PROBLEM_TEXT[FV_FILE_MISALIGNED];
  }
  if (File.Offset < Free) {
    return At(File.Offset) + "overlaps what comes before it, up to " + Hex32(Free);
  }
  if (File.Bytes.size() < FILE_HEADER_SIZE || File.Offset > Length ||
      File.Bytes.size() > Length - File.Offset) {
    return At(File.Offset) + FV_PROBLEM_TEXT[FV_FILE_PAST_VOLUME] + " (" +
           std::to_string(File.Bytes.size()) + " bytes, the volume has " + std::to_string(Length) +
           ")";
  }
  const size_t Gap = File.Offset - Free;
  if (Gap != 0 && Gap < FILE_HEADER_SIZE) {
    return At(File.Offset) + "the " + std::to_string(Gap) +
           "-byte gap before it has no room for a pad file";
  }
  return std::nullopt;
}

} // namespace

std::vector<uint8_t> FfsSection(uint8_t Type, std::span<const uint8_t> Data) {
  std::vector<uint8_t> Section(sizeof(EFI_COMMON_SECTION_HEADER));
  PutSize24(Section, 0, Section.size() + Data.size());
  Section[3] = Type;
  Section.insert(Section.end(), Data.begin(), Data.end());
  return Section;
}

std::vector<uint8_t> UserInterfaceSection(const std::string &Name) {
  std::vector<uint8_t> Text;
  for (char Character : Name) {
    Text.push_back(static_cast<uint8_t>(Character));
    Text.push_back(0);
  }
  Text.insert(Text.end(), {0, 0});
  return FfsSection(EFI_SECTION_USER_INTERFACE, Text);
}

std::vector<uint8_t> JoinSections(const std::vector<std::vector<uint8_t>> &Sections) {
  std::vector<uint8_t> Data;
  for (const std::vector<uint8_t> &Section : Sections) {
    // File data starts 8-byte aligned, so aligning the data aligns the section.
    Data.resize((Data.size() + FFS_SECTION_ALIGNMENT - 1) / FFS_SECTION_ALIGNMENT *
                    FFS_SECTION_ALIGNMENT,
                0);
    Data.insert(Data.end(), Section.begin(), Section.end());
  }
  return Data;
}

std::optional<std::vector<uint8_t>> FfsFile(const std::array<uint8_t, 16> &Name, uint8_t Type,
                                            std::span<const uint8_t> Data, std::string &Problem) {
  if (Data.size() > MAX_SIZE_24 - FILE_HEADER_SIZE) {
    Problem = "a file of " + std::to_string(Data.size()) + " data bytes does not fit a 24-bit size";
    return std::nullopt;
  }
  std::vector<uint8_t> File =
      FileHeader(Name, Type, FFS_ATTRIB_CHECKSUM, FILE_HEADER_SIZE + Data.size(),
                 static_cast<uint8_t>(-Sum8(Data)));
  File.insert(File.end(), Data.begin(), Data.end());
  return File;
}

std::optional<std::vector<uint8_t>> FirmwareVolumeImage(uint64_t Length, uint32_t BlockSize,
                                                        const std::vector<PLACED_FILE> &Files,
                                                        std::string &Problem, size_t *RefusedFile) {
  if (!std::has_single_bit(BlockSize) || Length == 0 || Length % BlockSize != 0 ||
      Length / BlockSize > UINT32_MAX) {
    Problem = "a volume of " + Hex32(Length) + " bytes is no whole number of " + Hex32(BlockSize) +
              "-byte blocks";
    return std::nullopt;
  }
  std::vector<uint8_t> Volume = VolumeHeader(Length, BlockSize);
  Volume.resize(Length, ERASED);
  size_t Free = FIRST_FILE_OFFSET; // where the space after the files so far begins
  for (size_t Index = 0; Index < Files.size(); ++Index) {
    const PLACED_FILE &File = Files[Index];
    if (std::optional<std::string> Refusal = PlacementProblem(File, Free, Length)) {
      Problem = *Refusal;
      if (RefusedFile != nullptr) {
        *RefusedFile = Index;
      }
      return std::nullopt;
    }
    const size_t Gap = File.Offset - Free;
    if (Gap != 0) {
      const std::vector<uint8_t> Pad = PadFile(Gap);
      std::copy(Pad.begin(), Pad.end(), Volume.begin() + static_cast<std::ptrdiff_t>(Free));
    }
    std::copy(File.Bytes.begin(), File.Bytes.end(),
              Volume.begin() + static_cast<std::ptrdiff_t>(File.Offset));
    Free = (File.Offset + File.Bytes.size() + FFS_FILE_ALIGNMENT - 1) / FFS_FILE_ALIGNMENT *
           FFS_FILE_ALIGNMENT;
  }
  return Volume;
}

} // namespace HostTools
