// The dispatcher's reader of a firmware volume in flash: checks the header,
// then reads one file at a time, each checked before anything in it is used.
// It is freestanding code with a reader of its own; the host tools read
// volumes with Tools/Shared, and both name their refusals with FV_PROBLEM.
#pragma once

#include <FvProblem.h>
#include <Pi/PiFirmwareFile.h>
#include <Pi/PiFirmwareVolume.h>

typedef struct {
  const UINT8 *Base;
  UINT32 Length;
  UINT8 Erased; // what erased flash reads as: decides how states decode
} BOOT_VOLUME;

typedef struct {
  UINT32 Offset; // from the volume's first byte; where a problem lies
  UINT32 Size;
  UINT8 State; // as it reads with erase polarity 0
  const EFI_FFS_FILE_HEADER *Header;
} BOOT_FILE;

// The sections a PEIM is dispatched by; a null Data means the file has none.
typedef struct {
  const UINT8 *Data;
  UINT32 Size;
} BOOT_SECTION;

typedef struct {
  BOOT_SECTION Dependency;
  BOOT_SECTION Image;
  const CHAR16 *Name; // NUL-terminated, or nullptr
} PEIM_SECTIONS;

// Checks the header of the volume at Base, which has Room bytes of flash
// from there on.
FV_PROBLEM OpenBootVolume(const UINT8 *Base, UINT64 Room, BOOT_VOLUME *Volume);

// Where the first file starts.
UINT32 FirstFileOffset(const BOOT_VOLUME *Volume);

// Reads the file at the first 8-byte boundary at or after Cursor. *Found is
// FALSE at the volume's end or at free space, after which every byte must
// read erased. On a problem, File->Offset tells where it lies.
FV_PROBLEM ReadBootFile(const BOOT_VOLUME *Volume, UINT32 Cursor, BOOT_FILE *File, BOOLEAN *Found);

// A file holds valid data and is not retired (deleted, invalid, updated).
BOOLEAN IsLiveFile(const BOOT_FILE *File);

// Walks the sections of a file, each checked against the file's bounds, and
// takes the first dependency, PE32 and user-interface section. On a problem
// *Where is the section's offset from the volume's first byte.
FV_PROBLEM ReadPeimSections(const BOOT_FILE *File, PEIM_SECTIONS *Sections, UINT32 *Where);
