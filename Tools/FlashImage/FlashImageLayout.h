// Puts the module and the boot platform into one flash image, refusing any
// placement that the published flash map and the module's own header do not
// allow.
#pragma once

#include <Ppi/FlashMap.h>

#include <optional>
#include <string>
#include <vector>

namespace TolvernFlash {

// The published map gives the module region 13.
constexpr uint32_t MODULE_REGION_INDEX = 13;
// The processor starts at the last 16 bytes of the address space.
constexpr uint32_t RESET_VECTOR_ADDRESS = 0xFFFFFFF0;

struct FLASH_IMAGE_PARTS {
  std::vector<uint8_t> Module; // a PE32 file that runs in place
  uint32_t ModuleAddress;
  std::vector<uint8_t> Platform; // a flat binary
  uint32_t PlatformAddress;
};

struct FLASH_IMAGE_EXTENT {
  uint32_t Base;
  uint64_t End; // one past the last byte; may be 4 GiB
};

struct FLASH_IMAGE_LAYOUT {
  FLASH_IMAGE_EXTENT Module;
  FLASH_IMAGE_EXTENT Platform;
  FLASH_IMAGE_EXTENT Region;
};

// The flash map the module publishes, read out of its image through its
// descriptor and checked against every invariant; nothing, with Problem set,
// when the image has no sound record.
std::optional<FLASH_MAP_RECORD> PublishedFlashMap(const std::vector<uint8_t> &Module,
                                                  std::string &Problem);

// Returns an empty string and fills Flash (the record's FlashSize bytes,
// erased to 0xFF, with both parts in place) and Layout; otherwise a message
// saying why the parts do not fit, and Flash is left empty.
std::string ComposeFlashImage(const FLASH_MAP_RECORD &Map, const FLASH_IMAGE_PARTS &Parts,
                              std::vector<uint8_t> &Flash, FLASH_IMAGE_LAYOUT &Layout);

} // namespace TolvernFlash
