#include "FlashImageLayout.h"

#include "Pe32Image.h"

#include <algorithm>
#include <cstdio>

namespace {

constexpr UINT8 kErased = 0xFF;

std::string Hex(UINT64 Value) {
  char Text[24];
  std::snprintf(Text, sizeof(Text), "0x%08llX", static_cast<unsigned long long>(Value));
  return Text;
}

std::string Range(const FLASH_IMAGE_EXTENT &Extent) {
  return Hex(Extent.Base) + "-" + Hex(Extent.End - 1);
}

bool Overlap(const FLASH_IMAGE_EXTENT &A, const FLASH_IMAGE_EXTENT &B) {
  return A.Base < B.End && B.Base < A.End;
}

bool Inside(const FLASH_IMAGE_EXTENT &Inner, const FLASH_IMAGE_EXTENT &Outer) {
  return Inner.Base >= Outer.Base && Inner.End <= Outer.End;
}

// The image executes from flash as it is: every section must sit at the same
// offset in the file as in memory and have all its bytes in the file.
std::string CheckRunsInPlace(const std::vector<UINT8> &Module, const PE32_IMAGE_INFO &Info) {
  for (UINT32 Index = 0; Index < Info.NumberOfSections; ++Index) {
    const UINT8 *Section =
        Module.data() + Info.SectionTableOffset + Index * PE32_SECTION_HEADER_SIZE;
    std::string Name(reinterpret_cast<const char *>(Section), 8);
    Name.resize(Name.find('\0') == std::string::npos ? Name.size() : Name.find('\0'));
    UINT32 VirtualSize = Pe32Read32(Section + 8);
    UINT32 VirtualAddress = Pe32Read32(Section + 12);
    UINT32 RawSize = Pe32Read32(Section + 16);
    UINT32 RawOffset = Pe32Read32(Section + 20);
    if (VirtualSize > RawSize) {
      return "section " + Name + " has " + Hex(VirtualSize - RawSize) +
             " bytes that are not in the file (zero-filled data cannot live in flash)";
    }
    if (RawSize != 0 && RawOffset != VirtualAddress) {
      return "section " + Name + " is at file offset " + Hex(RawOffset) + " but at image offset " +
             Hex(VirtualAddress) + ", so the file cannot run in place";
    }
    if (UINT64{RawOffset} + RawSize > Module.size()) {
      return "section " + Name + " runs past the end of the file";
    }
  }
  return "";
}

} // namespace

std::string ComposeFlashImage(const FLASH_MAP_RECORD &Map, const FLASH_IMAGE_PARTS &Parts,
                              std::vector<UINT8> &Flash, FLASH_IMAGE_LAYOUT &Layout) {
  Flash.clear();
  const FLASH_REGION &Region = Map.Regions[kModuleRegionIndex];
  const FLASH_IMAGE_EXTENT Device = {Map.FlashBase, UINT64{Map.FlashBase} + Map.FlashSize};
  Layout.Region = {Region.Base, UINT64{Region.Base} + Region.Size};

  PE32_IMAGE_INFO Info;
  if (const CHAR8 *Problem = ReadPe32ImageInfo(Parts.Module.data(), Parts.Module.size(), &Info)) {
    return std::string("the module is not a usable PE32 image: ") + Problem;
  }
  if (Info.ImageBase != Parts.ModuleAddress) {
    return "the module's ImageBase " + Hex(Info.ImageBase) +
           " differs from its placement address " + Hex(Parts.ModuleAddress) +
           " (it runs in place, unrelocated)";
  }
  if (std::string Problem = CheckRunsInPlace(Parts.Module, Info); !Problem.empty()) {
    return "the module cannot run in place: " + Problem;
  }
  UINT64 ModuleSize = std::max<UINT64>(Parts.Module.size(), Info.SizeOfImage);
  Layout.Module = {Parts.ModuleAddress, UINT64{Parts.ModuleAddress} + ModuleSize};
  if (!Inside(Layout.Module, Layout.Region)) {
    return "the module (" + Range(Layout.Module) + ", " + std::to_string(ModuleSize) +
           " bytes) does not lie inside region " + std::to_string(kModuleRegionIndex) + " (" +
           Range(Layout.Region) + ")";
  }

  Layout.Platform = {Parts.PlatformAddress, UINT64{Parts.PlatformAddress} + Parts.Platform.size()};
  if (Parts.Platform.empty() || !Inside(Layout.Platform, Device)) {
    return "the boot platform (" + Hex(Parts.PlatformAddress) + ", " +
           std::to_string(Parts.Platform.size()) +
           " bytes) does not lie inside the flash device (" + Range(Device) + ")";
  }
  if (Layout.Platform.Base > kResetVectorAddress || Layout.Platform.End <= kResetVectorAddress) {
    return "the boot platform (" + Range(Layout.Platform) + ") does not hold the reset vector at " +
           Hex(kResetVectorAddress);
  }
  if (Overlap(Layout.Module, Layout.Platform)) {
    return "the module (" + Range(Layout.Module) + ") overlaps the boot platform (" +
           Range(Layout.Platform) + ")";
  }

  Flash.assign(Map.FlashSize, kErased);
  std::copy(Parts.Module.begin(), Parts.Module.end(),
            Flash.begin() + (Parts.ModuleAddress - Map.FlashBase));
  std::copy(Parts.Platform.begin(), Parts.Platform.end(),
            Flash.begin() + (Parts.PlatformAddress - Map.FlashBase));
  return "";
}
