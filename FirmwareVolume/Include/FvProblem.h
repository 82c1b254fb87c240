// What makes a firmware volume, file or section unusable. The boot platform's
// dispatcher and the host tools read volumes with readers of their own (one
// freestanding, one for the host); both name what they refuse with these
// codes, so that their log lines and messages read alike and a test can hold
// one reader against the other.
#pragma once

#include <Base.h>

typedef enum {
  FV_SOUND,
  FV_BAD_SIGNATURE,
  FV_BAD_REVISION,
  FV_BAD_HEADER_LENGTH,
  FV_BAD_HEADER_CHECKSUM,
  FV_NOT_FFS2,
  FV_LENGTH_PAST_FLASH,
  FV_BAD_BLOCK_MAP,
  FV_FILE_MISALIGNED,
  FV_FILE_PAST_VOLUME,
  FV_FILE_TOO_SMALL,
  FV_FILE_LARGE,
  FV_FILE_BAD_HEADER_CHECKSUM,
  FV_FILE_BAD_DATA_CHECKSUM,
  FV_FILE_BAD_STATE,
  FV_DATA_AFTER_FREE_SPACE,
  FV_TOP_FILE_NOT_AT_END,
  FV_SECTION_TOO_SMALL,
  FV_SECTION_PAST_FILE,
  FV_SECTION_EXTENDED,
  FV_PROBLEM_COUNT
} FV_PROBLEM;

inline constexpr const CHAR8 *FV_PROBLEM_TEXT[] = {
    "sound",
    "no _FVH signature",
    "header revision is not 2",
    "header length is odd, holds no block map or reaches past the volume",
    "header checksum does not sum to 0",
    "file system is not FFS2",
    "volume reaches past the end of the flash",
    "block map does not add up to the volume's length",
    "file does not start 8-byte aligned",
    "file reaches past the end of the volume",
    "file size is smaller than its header",
    "file has the large-file attribute, which FFS2 does not know",
    "file header checksum does not sum to 0",
    "file data checksum is wrong",
    "file state is not one a written file can have",
    "bytes other than erased ones after the free space",
    "volume top file does not end at the volume's end",
    "section size is smaller than its header",
    "section reaches past the end of its file",
    "section has an extended size, which FFS2 does not use",
};

// The problems of a volume's header come first; the others lie at an offset
// inside the volume, which a report gives with the text.
inline BOOLEAN FvProblemHasOffset(FV_PROBLEM Problem) {
  return Problem >= FV_FILE_MISALIGNED;
}

static_assert(sizeof(FV_PROBLEM_TEXT) / sizeof(FV_PROBLEM_TEXT[0]) == FV_PROBLEM_COUNT,
              "a text per problem");
