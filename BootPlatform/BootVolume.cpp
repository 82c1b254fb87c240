// Nothing a header states is used before the header has passed its checks:
// the volume's length only after its checksum, a file's size only after its
// header checksum and state, a section only inside its file.
#include "BootVolume.h"

#include "BootGuid.h"

namespace {

constexpr EFI_GUID FFS2 = EFI_FIRMWARE_FILE_SYSTEM2_GUID;
constexpr EFI_GUID VOLUME_TOP_FILE = EFI_FFS_VOLUME_TOP_FILE_GUID;
constexpr UINT32 FILE_HEADER_SIZE = sizeof(EFI_FFS_FILE_HEADER);
constexpr UINT32 SECTION_HEADER_SIZE = sizeof(EFI_COMMON_SECTION_HEADER);
constexpr UINT32 BLOCK_MAP = OFFSET_OF(EFI_FIRMWARE_VOLUME_HEADER, BlockMap);
constexpr UINT8 LIVE_STATE =
    EFI_FILE_HEADER_CONSTRUCTION | EFI_FILE_HEADER_VALID | EFI_FILE_DATA_VALID;

UINT32 AlignUp(UINT32 Value, UINT32 Alignment) {
  return (Value + Alignment - 1) & ~(Alignment - 1);
}

UINT8 Sum8(const UINT8 *Bytes, UINT32 Count) {
  UINT8 Sum = 0;
  for (UINT32 Index = 0; Index < Count; ++Index) {
    Sum = (UINT8)(Sum + Bytes[Index]);
  }
  return Sum;
}

BOOLEAN AllErased(const BOOT_VOLUME *Volume, UINT32 From, UINT32 To, UINT32 *NotErased) {
  for (UINT32 Offset = From; Offset < To; ++Offset) {
    if (Volume->Base[Offset] != Volume->Erased) {
      *NotErased = Offset;
      return FALSE;
    }
  }
  return TRUE;
}

FV_PROBLEM CheckBlockMap(const EFI_FIRMWARE_VOLUME_HEADER *Header) {
  UINT64 Covered = 0;
  UINT32 Entries = 0;
  for (UINT32 Offset = BLOCK_MAP; Offset + sizeof(EFI_FV_BLOCK_MAP_ENTRY) <= Header->HeaderLength;
       Offset += sizeof(EFI_FV_BLOCK_MAP_ENTRY)) {
    const EFI_FV_BLOCK_MAP_ENTRY *Entry = reinterpret_cast<const EFI_FV_BLOCK_MAP_ENTRY *>(
        reinterpret_cast<const UINT8 *>(Header) + Offset);
    if (Entry->NumBlocks == 0 && Entry->Length == 0) {
      return Entries != 0 && Covered == Header->FvLength ? FV_SOUND : FV_BAD_BLOCK_MAP;
    }
    if (Entry->NumBlocks == 0 || Entry->Length == 0) {
      return FV_BAD_BLOCK_MAP;
    }
    // A volume within 4 GiB cannot need more than that.
    Covered += (UINT64)Entry->NumBlocks * Entry->Length;
    if (Covered > Header->FvLength) {
      return FV_BAD_BLOCK_MAP;
    }
    ++Entries;
  }
  return FV_BAD_BLOCK_MAP;
}

FV_PROBLEM ReadSection(const BOOT_FILE *File, UINT32 Offset, UINT32 *Size) {
  if (File->Size - Offset < SECTION_HEADER_SIZE) {
    return FV_SECTION_PAST_FILE;
  }
  const UINT8 *Header = reinterpret_cast<const UINT8 *>(File->Header) + Offset;
  *Size = FfsSize24(Header);
  if (*Size == EFI_SECTION_EXTENDED_SIZE) {
    return FV_SECTION_EXTENDED;
  }
  if (*Size < SECTION_HEADER_SIZE) {
    return FV_SECTION_TOO_SMALL;
  }
  return *Size > File->Size - Offset ? FV_SECTION_PAST_FILE : FV_SOUND;
}

// A user-interface name is taken only if its NUL lies inside the section.
const CHAR16 *TerminatedName(const UINT8 *Data, UINT32 Size) {
  const CHAR16 *Name = reinterpret_cast<const CHAR16 *>(Data);
  for (UINT32 Index = 0; Index < Size / sizeof(CHAR16); ++Index) {
    if (Name[Index] == 0) {
      return Name;
    }
  }
  return nullptr;
}

} // namespace

FV_PROBLEM OpenBootVolume(const UINT8 *Base, UINT64 Room, BOOT_VOLUME *Volume) {
  const EFI_FIRMWARE_VOLUME_HEADER *Header =
      reinterpret_cast<const EFI_FIRMWARE_VOLUME_HEADER *>(Base);
  if (Room < sizeof(EFI_FIRMWARE_VOLUME_HEADER)) {
    return FV_LENGTH_PAST_FLASH;
  }
  if (Header->Signature != EFI_FVH_SIGNATURE) {
    return FV_BAD_SIGNATURE;
  }
  UINT32 HeaderLength = Header->HeaderLength;
  if ((HeaderLength & 1) != 0 || HeaderLength < BLOCK_MAP + 2 * sizeof(EFI_FV_BLOCK_MAP_ENTRY) ||
      HeaderLength > Room || HeaderLength > Header->FvLength) {
    return FV_BAD_HEADER_LENGTH;
  }
  const UINT16 *Words = reinterpret_cast<const UINT16 *>(Base);
  UINT16 Sum = 0;
  for (UINT32 Index = 0; Index < HeaderLength / 2; ++Index) {
    Sum = (UINT16)(Sum + Words[Index]);
  }
  if (Sum != 0) {
    return FV_BAD_HEADER_CHECKSUM;
  }
  if (Header->Revision != EFI_FVH_REVISION) {
    return FV_BAD_REVISION;
  }
  if (!SameGuid(&Header->FileSystemGuid, &FFS2)) {
    return FV_NOT_FFS2;
  }
  if (Header->FvLength > Room || Header->FvLength > 0xFFFFFFFFu) {
    return FV_LENGTH_PAST_FLASH;
  }
  FV_PROBLEM Problem = CheckBlockMap(Header);
  if (Problem != FV_SOUND) {
    return Problem;
  }
  Volume->Base = Base;
  Volume->Length = (UINT32)Header->FvLength;
  Volume->Erased = (Header->Attributes & EFI_FVB2_ERASE_POLARITY) != 0 ? 0xFF : 0x00;
  return FV_SOUND;
}

UINT32 FirstFileOffset(const BOOT_VOLUME *Volume) {
  const EFI_FIRMWARE_VOLUME_HEADER *Header =
      reinterpret_cast<const EFI_FIRMWARE_VOLUME_HEADER *>(Volume->Base);
  return AlignUp(Header->HeaderLength, FFS_FILE_ALIGNMENT);
}

FV_PROBLEM ReadBootFile(const BOOT_VOLUME *Volume, UINT32 Cursor, BOOT_FILE *File, BOOLEAN *Found) {
  *Found = FALSE;
  File->Offset = AlignUp(Cursor, FFS_FILE_ALIGNMENT);
  // The last file ended at, or within alignment of, the volume's end (where
  // rounding up could wrap around).
  if (Cursor >= Volume->Length || File->Offset >= Volume->Length) {
    return FV_SOUND;
  }
  UINT32 Rest = Volume->Length - File->Offset;
  const UINT8 *Bytes = Volume->Base + File->Offset;
  UINT32 NotErased = 0;
  if (Rest < FILE_HEADER_SIZE ||
      AllErased(Volume, File->Offset, File->Offset + FILE_HEADER_SIZE, &NotErased)) {
    if (AllErased(Volume, File->Offset, Volume->Length, &NotErased)) {
      return FV_SOUND;
    }
    File->Offset = NotErased;
    return Rest < FILE_HEADER_SIZE ? FV_FILE_PAST_VOLUME : FV_DATA_AFTER_FREE_SPACE;
  }

  File->Header = reinterpret_cast<const EFI_FFS_FILE_HEADER *>(Bytes);
  File->Size = FfsSize24(File->Header->Size);
  File->State = (UINT8)(File->Header->State ^ Volume->Erased);
  UINT8 HeaderSum =
      (UINT8)(Sum8(Bytes, FILE_HEADER_SIZE) - File->Header->FileChecksum - File->Header->State);
  if (HeaderSum != 0) {
    return FV_FILE_BAD_HEADER_CHECKSUM;
  }
  // Written files have a constructed, valid header; higher bits only retire them.
  UINT8 Written = EFI_FILE_HEADER_CONSTRUCTION | EFI_FILE_HEADER_VALID;
  if ((File->State & ~EFI_FILE_STATE_BITS) != 0 || (File->State & Written) != Written) {
    return FV_FILE_BAD_STATE;
  }
  if ((File->Header->Attributes & FFS_ATTRIB_LARGE_FILE) != 0) {
    return FV_FILE_LARGE;
  }
  if (File->Size < FILE_HEADER_SIZE) {
    return FV_FILE_TOO_SMALL;
  }
  if (File->Size > Rest) {
    return FV_FILE_PAST_VOLUME;
  }
  if ((File->State & EFI_FILE_DATA_VALID) != 0) {
    UINT8 Check = File->Header->FileChecksum;
    BOOLEAN Sound =
        (File->Header->Attributes & FFS_ATTRIB_CHECKSUM) != 0
            ? (UINT8)(Sum8(Bytes + FILE_HEADER_SIZE, File->Size - FILE_HEADER_SIZE) + Check) == 0
            : Check == FFS_FIXED_CHECKSUM;
    if (!Sound) {
      return FV_FILE_BAD_DATA_CHECKSUM;
    }
  }
  if (SameGuid(&File->Header->Name, &VOLUME_TOP_FILE) && File->Size != Rest) {
    return FV_TOP_FILE_NOT_AT_END;
  }
  *Found = TRUE;
  return FV_SOUND;
}

BOOLEAN IsLiveFile(const BOOT_FILE *File) {
  return File->State == LIVE_STATE;
}

FV_PROBLEM ReadPeimSections(const BOOT_FILE *File, PEIM_SECTIONS *Sections, UINT32 *Where) {
  Sections->Dependency.Data = nullptr;
  Sections->Image.Data = nullptr;
  Sections->Name = nullptr;
  for (UINT32 Offset = AlignUp(FILE_HEADER_SIZE, FFS_SECTION_ALIGNMENT); Offset < File->Size;) {
    UINT32 Size = 0;
    *Where = File->Offset + Offset;
    FV_PROBLEM Problem = ReadSection(File, Offset, &Size);
    if (Problem != FV_SOUND) {
      return Problem;
    }
    const UINT8 *Header = reinterpret_cast<const UINT8 *>(File->Header) + Offset;
    BOOT_SECTION Data = {Header + SECTION_HEADER_SIZE, Size - SECTION_HEADER_SIZE};
    UINT8 Type = Header[3];
    if (Type == EFI_SECTION_PEI_DEPEX && Sections->Dependency.Data == nullptr) {
      Sections->Dependency = Data;
    } else if (Type == EFI_SECTION_PE32 && Sections->Image.Data == nullptr) {
      Sections->Image = Data;
    } else if (Type == EFI_SECTION_USER_INTERFACE && Sections->Name == nullptr) {
      Sections->Name = TerminatedName(Data.Data, Data.Size);
    }
    Offset = AlignUp(Offset + Size, FFS_SECTION_ALIGNMENT);
  }
  return FV_SOUND;
}
