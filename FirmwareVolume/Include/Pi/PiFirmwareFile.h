// Files and sections of the PI firmware file system (FFS2): the 24-byte file
// header, its states and checksums, and the section headers inside a file.
#pragma once

#include <Uefi/UefiBaseType.h>

// The volume top file, {1BA0062E-C779-4582-8566-336AE8F78F09}: its last byte
// is the volume's last byte.
// clang-format off
#define EFI_FFS_VOLUME_TOP_FILE_GUID \
  { 0x1BA0062E, 0xC779, 0x4582, { 0x85, 0x66, 0x33, 0x6A, 0xE8, 0xF7, 0x8F, 0x09 } }
// clang-format on

#define EFI_FV_FILETYPE_RAW 0x01
#define EFI_FV_FILETYPE_FREEFORM 0x02
#define EFI_FV_FILETYPE_SECURITY_CORE 0x03
#define EFI_FV_FILETYPE_PEI_CORE 0x04
#define EFI_FV_FILETYPE_PEIM 0x06
#define EFI_FV_FILETYPE_FFS_PAD 0xF0

#define FFS_ATTRIB_LARGE_FILE 0x01
#define FFS_ATTRIB_CHECKSUM 0x40 // the data is summed; otherwise its check byte is fixed
#define FFS_FIXED_CHECKSUM 0xAA

// State bits as they read with erase polarity 0; with polarity 1 the stored
// byte is their complement, so a valid file stores 0xF8.
#define EFI_FILE_HEADER_CONSTRUCTION 0x01
#define EFI_FILE_HEADER_VALID 0x02
#define EFI_FILE_DATA_VALID 0x04
#define EFI_FILE_MARKED_FOR_UPDATE 0x08
#define EFI_FILE_DELETED 0x10
#define EFI_FILE_HEADER_INVALID 0x20
#define EFI_FILE_STATE_BITS 0x3F

typedef struct {
  EFI_GUID Name;
  UINT8 HeaderChecksum; // the header's bytes sum to 0, State and FileChecksum counted as 0
  UINT8 FileChecksum;   // FFS_FIXED_CHECKSUM, or makes the data's bytes sum to 0
  UINT8 Type;
  UINT8 Attributes;
  UINT8 Size[3]; // the whole file, header included
  UINT8 State;
} EFI_FFS_FILE_HEADER;

static_assert(sizeof(EFI_FFS_FILE_HEADER) == 24 && OFFSET_OF(EFI_FFS_FILE_HEADER, Size) == 20 &&
                  OFFSET_OF(EFI_FFS_FILE_HEADER, State) == 23,
              "file header layout");

// Sections start 4-byte aligned, counted from the start of the file's data.
#define FFS_SECTION_ALIGNMENT 4

#define EFI_SECTION_PE32 0x10
#define EFI_SECTION_TE 0x12
#define EFI_SECTION_USER_INTERFACE 0x15 // a NUL-terminated 16-bit string
#define EFI_SECTION_RAW 0x19
#define EFI_SECTION_PEI_DEPEX 0x1B

// A size of 0xFFFFFF announces an extended header, which FFS2 volumes do not use.
#define EFI_SECTION_EXTENDED_SIZE 0xFFFFFF

typedef struct {
  UINT8 Size[3]; // the whole section, header included
  UINT8 Type;
} EFI_COMMON_SECTION_HEADER;

static_assert(sizeof(EFI_COMMON_SECTION_HEADER) == 4, "section header layout");

// The 24-bit sizes of file and section headers.
inline UINT32 FfsSize24(const UINT8 *Size) {
  return (UINT32)Size[0] | (UINT32)Size[1] << 8 | (UINT32)Size[2] << 16;
}
