// Hand-made PE32 files for the flash image builder and boot tests: headers
// that say what the test wants, with a little code at the entry point.
#pragma once

#include <Base.h>

#include <vector>

struct FAKE_PE32 {
  UINT32 ImageBase = 0xFFF944A0;
  UINT32 SizeOfImage = 0x200;              // 0 means: as large as the file
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
