// The firmware volume header of the PI firmware file system, as the boot
// platform's dispatcher and the host tools read and write it. Little-endian.
#pragma once

#include <Uefi/UefiBaseType.h>

// The FFS2 file system, {8C8CE578-8A3D-4F1C-9935-896185C32DD3}.
// clang-format off
#define EFI_FIRMWARE_FILE_SYSTEM2_GUID \
  { 0x8C8CE578, 0x8A3D, 0x4F1C, { 0x99, 0x35, 0x89, 0x61, 0x85, 0xC3, 0x2D, 0xD3 } }
// clang-format on

#define EFI_FVH_SIGNATURE 0x4856465Fu // "_FVH"
#define EFI_FVH_REVISION 2

#define EFI_FVB2_READ_ENABLED_CAP 0x00000002u
#define EFI_FVB2_READ_STATUS 0x00000004u
#define EFI_FVB2_MEMORY_MAPPED 0x00000400u
#define EFI_FVB2_ERASE_POLARITY 0x00000800u // erased flash reads 0xFF
#define EFI_FVB2_ALIGNMENT_SHIFT 16         // log2 of the volume's alignment, bits 16-20

// Files start 8-byte aligned, counted from the volume's first byte.
#define FFS_FILE_ALIGNMENT 8

typedef struct {
  UINT32 NumBlocks;
  UINT32 Length;
} EFI_FV_BLOCK_MAP_ENTRY;

typedef struct {
  UINT8 ZeroVector[16];
  EFI_GUID FileSystemGuid;
  UINT64 FvLength;
  UINT32 Signature;
  UINT32 Attributes;
  UINT16 HeaderLength;
  UINT16 Checksum; // makes the header's 16-bit words sum to 0
  UINT16 ExtHeaderOffset;
  UINT8 Reserved;
  UINT8 Revision;
  EFI_FV_BLOCK_MAP_ENTRY BlockMap[1]; // entries up to one of {0, 0}
} EFI_FIRMWARE_VOLUME_HEADER;

// The header with one block map entry and the {0, 0} that ends the map.
#define EFI_FV_HEADER_SIZE_ONE_BLOCK_RUN                                                           \
  (OFFSET_OF(EFI_FIRMWARE_VOLUME_HEADER, BlockMap) + 2 * sizeof(EFI_FV_BLOCK_MAP_ENTRY))

static_assert(OFFSET_OF(EFI_FIRMWARE_VOLUME_HEADER, FileSystemGuid) == 16 &&
                  OFFSET_OF(EFI_FIRMWARE_VOLUME_HEADER, FvLength) == 32 &&
                  OFFSET_OF(EFI_FIRMWARE_VOLUME_HEADER, Signature) == 40 &&
                  OFFSET_OF(EFI_FIRMWARE_VOLUME_HEADER, Attributes) == 44 &&
                  OFFSET_OF(EFI_FIRMWARE_VOLUME_HEADER, HeaderLength) == 48 &&
                  OFFSET_OF(EFI_FIRMWARE_VOLUME_HEADER, Checksum) == 50 &&
                  OFFSET_OF(EFI_FIRMWARE_VOLUME_HEADER, ExtHeaderOffset) == 52 &&
                  OFFSET_OF(EFI_FIRMWARE_VOLUME_HEADER, Revision) == 55 &&
                  OFFSET_OF(EFI_FIRMWARE_VOLUME_HEADER, BlockMap) == 56,
              "volume header field offsets");
static_assert(EFI_FV_HEADER_SIZE_ONE_BLOCK_RUN == 72, "one block run gives a 72-byte header");
