// Hand-made PE32 files for the flash image builder and boot tests: headers
// that say what the test wants, with a little code at the entry point.
#pragma once

#include <Base.h>
#include <ExpectedFlashMap.h>

#include <vector>

struct FAKE_PE32 {
  UINT32 ImageBase = Expected::IMAGE_BASE;
  UINT32 SizeOfImage = 0;                  // 0 means: as large as the file
  std::vector<UINT8> Code = {0xC3};        // at the entry point, the start of .text
  UINT32 TextVirtualExtra = 0;             // .text bytes that are not in the file
  UINT32 TextFileOffsetShift = 0;          // moves .text's file offset away from its RVA
  UINT32 ExtraFileBytes = 0;               // padding after .text
  UINT32 LfanewOverride = 0;               // nonzero: e_lfanew value
  UINT32 TextCharacteristics = 0x60000020; // code, executable, readable
};

// Offset of .text (and of the entry point) from the image's first byte.
constexpr UINT32 FAKE_TEXT_OFFSET = 0x160;

std::vector<UINT8> MakeFakePe32(const FAKE_PE32 &Fake);

// The fake image as a PEIM file named Name (user interface and a GUID made
// from it) whose dependency expression is TRUE END.
std::vector<UINT8> MakeFakePeimFile(const FAKE_PE32 &Fake, const char *Name);

// Where the PE32 data of such a file starts, from the file's first byte, for
// a name of NameLength characters: the file header, the dependency section
// padded to 8, the user-interface section padded to 4, the PE32 section header.
constexpr UINT32 FakePeimImageOffset(UINT32 NameLength) {
  return 24 + 8 + (4 + 2 * (NameLength + 1) + 3) / 4 * 4 + 4;
}
