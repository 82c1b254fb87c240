// Lays the flash device out by the module's own flash map: the region the
// map gives the module becomes the boot firmware volume, holding the PEIMs
// that stand first, the module's file placed so that its PE32 data starts at
// its link address, and the boot platform as the volume top file. Everything
// else stays erased. Any placement the map, the files or the images do not
// allow is refused with one line.
#pragma once

#include <Ppi/FlashMap.h>

#include <optional>
#include <string>
#include <vector>

namespace TolvernFlash {

// The published map gives the module region 13: it becomes the boot volume.
constexpr uint32_t MODULE_REGION_INDEX = 13;
// The processor starts at the last 16 bytes of the address space.
constexpr uint32_t RESET_VECTOR_ADDRESS = 0xFFFFFFF0;

struct FLASH_IMAGE_PARTS {
  std::vector<std::vector<uint8_t>> Peims; // PEIM files that stand first, in this order
  std::vector<uint8_t> Module;             // the module's PEIM file
  uint32_t ModuleAddress = 0;              // where its PE32 data starts: its link address
  std::vector<uint8_t> Platform;           // a flat binary: the volume top file's data
  uint32_t PlatformAddress = 0;
};

struct FLASH_IMAGE_EXTENT {
  uint32_t Base;
  uint64_t End; // one past the last byte; may be 4 GiB
};

struct PLACED_PART {
  std::string Name; // the file's user-interface name, or what it is
  FLASH_IMAGE_EXTENT File;
  uint32_t Pe32Data = 0; // where its image starts; 0 for the top file
};

struct FLASH_IMAGE_LAYOUT {
  FLASH_IMAGE_EXTENT Volume;
  std::vector<PLACED_PART> Files; // in volume order, pad files left out
};

// The flash map published by Image (an IA32 PE32 image or a PEIM file holding
// one), found through its descriptor and checked against every invariant;
// nothing, with Problem set, when it has no sound record.
std::optional<FLASH_MAP_RECORD> PublishedFlashMap(const std::vector<uint8_t> &Image,
                                                  std::string &Problem);

// The input a refusal is about: one of the parts, or the flash map the
// layout follows.
enum class FLASH_IMAGE_INPUT { Peim, Module, Platform, FlashMap };

struct FLASH_IMAGE_REFUSAL {
  FLASH_IMAGE_INPUT Input = FLASH_IMAGE_INPUT::Module;
  size_t PeimIndex = 0; // which of the parts' Peims, when Input is Peim
  std::string Reason;   // one line
};

// Fills Flash (the record's FlashSize bytes) and Layout and returns nothing;
// otherwise says which input does not fit and why, and Flash is left empty.
std::optional<FLASH_IMAGE_REFUSAL> ComposeFlashImage(const FLASH_MAP_RECORD &Map,
                                                     const FLASH_IMAGE_PARTS &Parts,
                                                     std::vector<uint8_t> &Flash,
                                                     FLASH_IMAGE_LAYOUT &Layout);

} // namespace TolvernFlash
