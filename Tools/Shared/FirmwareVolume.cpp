// The walk follows the volume's own sizes only after the header that states
// them has passed its checksum; a file whose data or sections are bad is
// still listed, and the walk goes on, because its size was checked.
#include "FirmwareVolume.h"

#include "Guid.h"
#include "LittleEndian.h"
#include "MessageText.h"

#include <Pi/PiFirmwareFile.h>
#include <Pi/PiFirmwareVolume.h>

#include <algorithm>
#include <numeric>

namespace HostTools {

namespace {

constexpr size_t FILE_HEADER_SIZE = sizeof(EFI_FFS_FILE_HEADER);
constexpr size_t SECTION_HEADER_SIZE = sizeof(EFI_COMMON_SECTION_HEADER);
constexpr size_t BLOCK_MAP = OFFSET_OF(EFI_FIRMWARE_VOLUME_HEADER, BlockMap);
constexpr size_t BLOCK_MAP_ENTRY_SIZE = sizeof(EFI_FV_BLOCK_MAP_ENTRY);

size_t AlignUp(size_t Value, size_t Alignment) {
  return (Value + Alignment - 1) / Alignment * Alignment;
}

uint8_t Sum8(std::span<const uint8_t> Bytes) {
  return static_cast<uint8_t>(std::accumulate(Bytes.begin(), Bytes.end(), 0u));
}

bool AllEqual(std::span<const uint8_t> Bytes, uint8_t Value) {
  return std::all_of(Bytes.begin(), Bytes.end(), [Value](uint8_t Byte) { return Byte == Value; });
}

bool SetProblem(FIRMWARE_VOLUME &Volume, FV_PROBLEM Problem, size_t Offset) {
  if (Volume.Problem == FV_SOUND) {
    Volume.Problem = Problem;
    Volume.ProblemOffset = Offset;
  }
  return false;
}

// Signature, lengths, checksum, revision, file system and block map, in the
// order in which each check makes the next one's fields worth reading.
bool ReadHeader(std::span<const uint8_t> Available, FIRMWARE_VOLUME &Volume) {
  if (Available.size() < sizeof(EFI_FIRMWARE_VOLUME_HEADER)) {
    return SetProblem(Volume, FV_LENGTH_PAST_FLASH, 0);
  }
  if (ReadLe32(Available, OFFSET_OF(EFI_FIRMWARE_VOLUME_HEADER, Signature)) != EFI_FVH_SIGNATURE) {
    return SetProblem(Volume, FV_BAD_SIGNATURE, 0);
  }
  Volume.Length = ReadLe64(Available, OFFSET_OF(EFI_FIRMWARE_VOLUME_HEADER, FvLength));
  Volume.Attributes = ReadLe32(Available, OFFSET_OF(EFI_FIRMWARE_VOLUME_HEADER, Attributes));
  Volume.HeaderLength = ReadLe16(Available, OFFSET_OF(EFI_FIRMWARE_VOLUME_HEADER, HeaderLength));
  Volume.Erased = (Volume.Attributes & EFI_FVB2_ERASE_POLARITY) != 0 ? 0xFF : 0x00;
  const size_t HeaderLength = Volume.HeaderLength;
  if (HeaderLength % 2 != 0 || HeaderLength < BLOCK_MAP + 2 * BLOCK_MAP_ENTRY_SIZE ||
      HeaderLength > Available.size() || HeaderLength > Volume.Length) {
    return SetProblem(Volume, FV_BAD_HEADER_LENGTH, 0);
  }
  uint16_t Sum = 0;
  for (size_t Offset = 0; Offset < HeaderLength; Offset += 2) {
    Sum = static_cast<uint16_t>(Sum + ReadLe16(Available, Offset));
  }
  if (Sum != 0) {
    return SetProblem(Volume, FV_BAD_HEADER_CHECKSUM, 0);
  }
  if (Available[OFFSET_OF(EFI_FIRMWARE_VOLUME_HEADER, Revision)] != EFI_FVH_REVISION) {
    return SetProblem(Volume, FV_BAD_REVISION, 0);
  }
  const std::array<uint8_t, 16> Ffs2 = GuidBytes(EFI_GUID EFI_FIRMWARE_FILE_SYSTEM2_GUID);
  if (!std::equal(Ffs2.begin(), Ffs2.end(),
                  Available.begin() + OFFSET_OF(EFI_FIRMWARE_VOLUME_HEADER, FileSystemGuid))) {
    return SetProblem(Volume, FV_NOT_FFS2, 0);
  }
  if (Volume.Length > Available.size()) {
    return SetProblem(Volume, FV_LENGTH_PAST_FLASH, 0);
  }
  // A product of two 32-bit numbers fits 64 bits; the sum stops at the length.
  uint64_t Blocks = 0;
  size_t Entry = BLOCK_MAP;
  for (;; Entry += BLOCK_MAP_ENTRY_SIZE) {
    if (Entry + BLOCK_MAP_ENTRY_SIZE > HeaderLength) {
      return SetProblem(Volume, FV_BAD_BLOCK_MAP, Entry);
    }
    const uint32_t Count = ReadLe32(Available, Entry);
    const uint32_t Length = ReadLe32(Available, Entry + 4);
    if (Count == 0 && Length == 0) {
      break;
    }
    if (Count == 0 || Length == 0) {
      return SetProblem(Volume, FV_BAD_BLOCK_MAP, Entry);
    }
    Blocks += uint64_t{Count} * Length;
    if (Blocks > Volume.Length) {
      return SetProblem(Volume, FV_BAD_BLOCK_MAP, Entry);
    }
  }
  if (Entry == BLOCK_MAP || Blocks != Volume.Length) {
    return SetProblem(Volume, FV_BAD_BLOCK_MAP, BLOCK_MAP);
  }
  Volume.Bytes = Available.first(Volume.Length);
  return true;
}

// The file's name as UTF-16 turned into text; anything outside ASCII shows as '?'.
std::string UserInterfaceText(std::span<const uint8_t> Data) {
  std::string Text;
  for (size_t Offset = 0; Offset + 1 < Data.size(); Offset += 2) {
    const uint16_t Unit = ReadLe16(Data, Offset);
    if (Unit == 0) {
      break;
    }
    Text += Unit >= 0x20 && Unit < 0x7F ? static_cast<char>(Unit) : '?';
  }
  return Text;
}

void ReadSections(FIRMWARE_VOLUME &Volume, FFS_FILE &File) {
  const std::span<const uint8_t> Bytes = Volume.Bytes.subspan(File.Offset, File.Size);
  for (size_t Offset = FILE_HEADER_SIZE;
       (Offset = AlignUp(Offset, FFS_SECTION_ALIGNMENT)) < File.Size;) {
    if (File.Size - Offset < SECTION_HEADER_SIZE) {
      SetProblem(Volume, FV_SECTION_PAST_FILE, File.Offset + Offset);
      return;
    }
    FFS_SECTION Section;
    Section.Offset = Offset;
    Section.Size = FfsSize24(&Bytes[Offset]);
    Section.Type = Bytes[Offset + 3];
    if (Section.Size == EFI_SECTION_EXTENDED_SIZE) {
      SetProblem(Volume, FV_SECTION_EXTENDED, File.Offset + Offset);
      return;
    }
    if (Section.Size < SECTION_HEADER_SIZE) {
      SetProblem(Volume, FV_SECTION_TOO_SMALL, File.Offset + Offset);
      return;
    }
    if (Section.Size > File.Size - Offset) {
      SetProblem(Volume, FV_SECTION_PAST_FILE, File.Offset + Offset);
      return;
    }
    if (Section.Type == EFI_SECTION_USER_INTERFACE && File.UserInterfaceName.empty()) {
      File.UserInterfaceName = UserInterfaceText(
          Bytes.subspan(Offset + SECTION_HEADER_SIZE, Section.Size - SECTION_HEADER_SIZE));
    }
    File.Sections.push_back(Section);
    Offset += Section.Size;
  }
}

bool HoldsSections(uint8_t Type) {
  return Type != EFI_FV_FILETYPE_RAW && Type != EFI_FV_FILETYPE_FFS_PAD;
}

// Reads the file at Offset. False ends the walk: the header gives no size to trust.
bool ReadFile(FIRMWARE_VOLUME &Volume, size_t Offset) {
  const std::span<const uint8_t> Header = Volume.Bytes.subspan(Offset, FILE_HEADER_SIZE);
  FFS_FILE File;
  File.Offset = Offset;
  std::copy_n(Header.begin(), File.Name.size(), File.Name.begin());
  File.Type = Header[OFFSET_OF(EFI_FFS_FILE_HEADER, Type)];
  File.Attributes = Header[OFFSET_OF(EFI_FFS_FILE_HEADER, Attributes)];
  File.Size = FfsSize24(&Header[OFFSET_OF(EFI_FFS_FILE_HEADER, Size)]);
  File.State = Header[OFFSET_OF(EFI_FFS_FILE_HEADER, State)] ^ Volume.Erased;
  const uint8_t FileChecksum = Header[OFFSET_OF(EFI_FFS_FILE_HEADER, FileChecksum)];
  File.HeaderChecksumValid =
      static_cast<uint8_t>(Sum8(Header) - FileChecksum -
                           Header[OFFSET_OF(EFI_FFS_FILE_HEADER, State)]) == 0;
  Volume.Files.push_back(File);
  FFS_FILE &Listed = Volume.Files.back();
  if (!File.HeaderChecksumValid) {
    return SetProblem(Volume, FV_FILE_BAD_HEADER_CHECKSUM, Offset);
  }
  if (!IsWrittenState(File.State)) {
    return SetProblem(Volume, FV_FILE_BAD_STATE, Offset);
  }
  if ((File.Attributes & FFS_ATTRIB_LARGE_FILE) != 0) {
    return SetProblem(Volume, FV_FILE_LARGE, Offset);
  }
  if (File.Size < FILE_HEADER_SIZE) {
    return SetProblem(Volume, FV_FILE_TOO_SMALL, Offset);
  }
  if (File.Size > Volume.Length - Offset) {
    return SetProblem(Volume, FV_FILE_PAST_VOLUME, Offset);
  }
  if ((File.State & EFI_FILE_DATA_VALID) != 0) {
    const std::span<const uint8_t> Data =
        Volume.Bytes.subspan(Offset + FILE_HEADER_SIZE, File.Size - FILE_HEADER_SIZE);
    Listed.DataChecksumValid = (File.Attributes & FFS_ATTRIB_CHECKSUM) != 0
                                   ? static_cast<uint8_t>(Sum8(Data) + FileChecksum) == 0
                                   : FileChecksum == FFS_FIXED_CHECKSUM;
    if (!*Listed.DataChecksumValid) {
      SetProblem(Volume, FV_FILE_BAD_DATA_CHECKSUM, Offset);
    }
  }
  if (HoldsSections(File.Type)) {
    ReadSections(Volume, Listed);
  }
  const std::array<uint8_t, 16> TopFile = GuidBytes(EFI_GUID EFI_FFS_VOLUME_TOP_FILE_GUID);
  if (File.Name == TopFile && Offset + File.Size != Volume.Length) {
    SetProblem(Volume, FV_TOP_FILE_NOT_AT_END, Offset);
  }
  return true;
}

} // namespace

FIRMWARE_VOLUME ReadFirmwareVolume(std::span<const uint8_t> Flash, size_t Offset) {
  FIRMWARE_VOLUME Volume;
  Volume.Offset = Offset;
  if (Offset > Flash.size() || !ReadHeader(Flash.subspan(Offset), Volume)) {
    SetProblem(Volume, FV_LENGTH_PAST_FLASH, 0);
    return Volume;
  }
  for (size_t At = AlignUp(Volume.HeaderLength, FFS_FILE_ALIGNMENT); At < Volume.Length;
       At = AlignUp(At, FFS_FILE_ALIGNMENT)) {
    const std::span<const uint8_t> Rest = Volume.Bytes.subspan(At);
    // Free space, all erased, ends the list; nothing may follow it.
    if (Rest.size() < FILE_HEADER_SIZE || AllEqual(Rest.first(FILE_HEADER_SIZE), Volume.Erased)) {
      const auto Used = std::find_if(Rest.begin(), Rest.end(),
                                     [&Volume](uint8_t Byte) { return Byte != Volume.Erased; });
      if (Used != Rest.end()) {
        SetProblem(Volume,
                   Rest.size() < FILE_HEADER_SIZE ? FV_FILE_PAST_VOLUME : FV_DATA_AFTER_FREE_SPACE,
                   At + static_cast<size_t>(Used - Rest.begin()));
      }
      break;
    }
    if (!ReadFile(Volume, At)) {
      break;
    }
    At += Volume.Files.back().Size;
  }
  return Volume;
}

FIRMWARE_VOLUME ReadLoneFile(std::span<const uint8_t> File) {
  FIRMWARE_VOLUME Volume;
  Volume.Bytes = File;
  Volume.Length = File.size();
  if (File.size() < FILE_HEADER_SIZE) {
    SetProblem(Volume, FV_FILE_TOO_SMALL, 0);
  } else {
    ReadFile(Volume, 0);
  }
  return Volume;
}

std::string ProblemText(const FIRMWARE_VOLUME &Volume) {
  const char *Text = FV_PROBLEM_TEXT[Volume.Problem];
  if (!FvProblemHasOffset(Volume.Problem)) {
    return Text;
  }
  return "at volume offset " + Hex32(Volume.ProblemOffset) + ": " + Text;
}

bool IsWrittenState(uint8_t State) {
  constexpr uint8_t WRITTEN = EFI_FILE_HEADER_CONSTRUCTION | EFI_FILE_HEADER_VALID;
  return (State & ~EFI_FILE_STATE_BITS) == 0 && (State & WRITTEN) == WRITTEN;
}

bool IsLiveFile(const FFS_FILE &File) {
  return File.State == (EFI_FILE_HEADER_CONSTRUCTION | EFI_FILE_HEADER_VALID | EFI_FILE_DATA_VALID);
}

const FFS_SECTION *FindSection(const FFS_FILE &File, uint8_t Type) {
  const auto Found =
      std::find_if(File.Sections.begin(), File.Sections.end(),
                   [Type](const FFS_SECTION &Section) { return Section.Type == Type; });
  return Found != File.Sections.end() ? &*Found : nullptr;
}

std::span<const uint8_t> SectionData(const FIRMWARE_VOLUME &Volume, const FFS_FILE &File,
                                     const FFS_SECTION &Section) {
  return Volume.Bytes.subspan(File.Offset + Section.Offset + SECTION_HEADER_SIZE,
                              Section.Size - SECTION_HEADER_SIZE);
}

std::span<const uint8_t> FileData(const FIRMWARE_VOLUME &Volume, const FFS_FILE &File) {
  return Volume.Bytes.subspan(File.Offset + FILE_HEADER_SIZE, File.Size - FILE_HEADER_SIZE);
}

} // namespace HostTools
