// Puts the module and the boot platform into one flash image, refusing any
// placement that the published flash map and the module's own header do not
// allow.
#pragma once

#include <Ppi/FlashMap.h>

#include <string>
#include <vector>

// The published map gives the module region 13.
constexpr UINT32 kModuleRegionIndex = 13;
// The processor starts at the last 16 bytes of the address space.
constexpr UINT32 kResetVectorAddress = 0xFFFFFFF0;

struct FLASH_IMAGE_PARTS {
  std::vector<UINT8> Module; // a PE32 file that runs in place
  UINT32 ModuleAddress;
  std::vector<UINT8> Platform; // a flat binary
  UINT32 PlatformAddress;
};

struct FLASH_IMAGE_EXTENT {
  UINT32 Base;
  UINT64 End; // one past the last byte; may be 4 GiB
};

struct FLASH_IMAGE_LAYOUT {
  FLASH_IMAGE_EXTENT Module;
  FLASH_IMAGE_EXTENT Platform;
  FLASH_IMAGE_EXTENT Region;
};

// Returns an empty string and fills Flash (the record's FlashSize bytes,
// erased to 0xFF, with both parts in place) and Layout; otherwise a message
// saying why the parts do not fit, and Flash is left empty.
std::string ComposeFlashImage(const FLASH_MAP_RECORD &Map, const FLASH_IMAGE_PARTS &Parts,
                              std::vector<UINT8> &Flash, FLASH_IMAGE_LAYOUT &Layout);
