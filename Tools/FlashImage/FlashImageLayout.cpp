#include "FlashImageLayout.h"

#include <FlashMapSearch.h>
#include <MessageText.h>
#include <PeFile.h>
#include <RecordChecks.h>
#include <RunInPlace.h>

#include <algorithm>

namespace TolvernFlash {

using namespace HostTools;

namespace {

constexpr uint8_t ERASED = 0xFF;

std::string Range(const FLASH_IMAGE_EXTENT &Extent) {
  return Hex32(Extent.Base) + "-" + Hex32(Extent.End - 1);
}

bool Overlap(const FLASH_IMAGE_EXTENT &A, const FLASH_IMAGE_EXTENT &B) {
  return A.Base < B.End && B.Base < A.End;
}

bool Inside(const FLASH_IMAGE_EXTENT &Inner, const FLASH_IMAGE_EXTENT &Outer) {
  return Inner.Base >= Outer.Base && Inner.End <= Outer.End;
}

} // namespace

std::optional<FLASH_MAP_RECORD> PublishedFlashMap(const std::vector<uint8_t> &Module,
                                                  std::string &Problem) {
  const std::optional<PE_FILE> File = ReadPeFile(Module, Problem);
  const std::optional<PUBLISHED_FLASH_MAP> Found =
      File ? FindFlashMap(*File, Problem) : std::nullopt;
  if (!Found) {
    return std::nullopt;
  }
  for (const CHECK_RESULT &Check : CheckFlashMapRecord(Found->RecordBytes)) {
    if (!Check.Passed) {
      Problem = "the published flash map breaks " + Check.Name + ": " + Check.Detail;
      return std::nullopt;
    }
  }
  return Found->Record;
}

std::string ComposeFlashImage(const FLASH_MAP_RECORD &Map, const FLASH_IMAGE_PARTS &Parts,
                              std::vector<uint8_t> &Flash, FLASH_IMAGE_LAYOUT &Layout) {
  Flash.clear();
  const FLASH_REGION &Region = Map.Regions[MODULE_REGION_INDEX];
  const FLASH_IMAGE_EXTENT Device = {Map.FlashBase, uint64_t{Map.FlashBase} + Map.FlashSize};
  Layout.Region = {Region.Base, uint64_t{Region.Base} + Region.Size};

  std::string Problem;
  const std::optional<PE_FILE> Module = ReadPeFile(Parts.Module, Problem);
  if (!Module) {
    return "the module cannot be read: " + Problem;
  }
  if (Module->ImageBase != Parts.ModuleAddress) {
    return "the module's ImageBase " + Hex32(Module->ImageBase) +
           " differs from its placement address " + Hex32(Parts.ModuleAddress) +
           " (it runs in place, unrelocated)";
  }
  if (std::optional<std::string> NotInPlace = CheckRunsInPlace(*Module)) {
    return "the module cannot run in place: " + *NotInPlace;
  }
  uint64_t ModuleSize = std::max<uint64_t>(Parts.Module.size(), Module->SizeOfImage);
  Layout.Module = {Parts.ModuleAddress, uint64_t{Parts.ModuleAddress} + ModuleSize};
  if (!Inside(Layout.Module, Layout.Region)) {
    return "the module (" + Range(Layout.Module) + ", " + std::to_string(ModuleSize) +
           " bytes) does not lie inside region " + std::to_string(MODULE_REGION_INDEX) + " (" +
           Range(Layout.Region) + ")";
  }

  Layout.Platform = {Parts.PlatformAddress,
                     uint64_t{Parts.PlatformAddress} + Parts.Platform.size()};
  if (Parts.Platform.empty() || !Inside(Layout.Platform, Device)) {
    return "the boot platform (" + Hex32(Parts.PlatformAddress) + ", " +
           std::to_string(Parts.Platform.size()) +
           " bytes) does not lie inside the flash device (" + Range(Device) + ")";
  }
  if (Layout.Platform.Base > RESET_VECTOR_ADDRESS || Layout.Platform.End <= RESET_VECTOR_ADDRESS) {
    return "the boot platform (" + Range(Layout.Platform) + ") does not hold the reset vector at " +
           Hex32(RESET_VECTOR_ADDRESS);
  }
  if (Overlap(Layout.Module, Layout.Platform)) {
    return "the module (" + Range(Layout.Module) + ") overlaps the boot platform (" +
           Range(Layout.Platform) + ")";
  }

  Flash.assign(Map.FlashSize, ERASED);
  std::copy(Parts.Module.begin(), Parts.Module.end(),
            Flash.begin() + (Parts.ModuleAddress - Map.FlashBase));
  std::copy(Parts.Platform.begin(), Parts.Platform.end(),
            Flash.begin() + (Parts.PlatformAddress - Map.FlashBase));
  return "";
}

} // namespace TolvernFlash
