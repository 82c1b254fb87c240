#include "FlashImageLayout.h"

#include <FfsWriter.h>
#include <FirmwareVolume.h>
#include <FlashMapSearch.h>
#include <Guid.h>
#include <MessageText.h>
#include <PeFile.h>
#include <RecordChecks.h>
#include <RunInPlace.h>

#include <Pi/PiFirmwareFile.h>
#include <Pi/PiFirmwareVolume.h>

#include <algorithm>
#include <string_view>
#include <utility>

namespace TolvernFlash {

using namespace HostTools;

namespace {

constexpr uint8_t ERASED = 0xFF;
constexpr uint64_t TOP_OF_MEMORY = 0x100000000ull;
constexpr size_t FILE_HEADER_SIZE = sizeof(EFI_FFS_FILE_HEADER);
constexpr size_t SECTION_HEADER_SIZE = sizeof(EFI_COMMON_SECTION_HEADER);
constexpr const char *TOP_FILE_NAME = "boot platform";

std::string Range(const FLASH_IMAGE_EXTENT &Extent) {
  return Hex32(Extent.Base) + "-" + Hex32(Extent.End - 1);
}

// A PEIM file as the builder takes it: sound, with an IA32 PE32 image that
// can run in place.
struct PEIM_INPUT {
  std::string Name;
  const std::vector<uint8_t> *Bytes = nullptr;
  size_t Pe32DataOffset = 0; // from the file's first byte
  PE_FILE Image;
};

bool StartsWith(const std::vector<uint8_t> &Bytes, std::string_view Magic) {
  return Bytes.size() >= Magic.size() &&
         std::equal(Magic.begin(), Magic.end(), Bytes.begin(), [](char Expected, uint8_t Byte) {
           return static_cast<uint8_t>(Expected) == Byte;
         });
}

bool IsPe32Image(const std::vector<uint8_t> &Bytes) {
  return StartsWith(Bytes, "MZ");
}

std::optional<PEIM_INPUT> ReadPeim(const std::vector<uint8_t> &Bytes, std::string &Problem) {
  if (IsPe32Image(Bytes)) {
    Problem = "this is a PE32 image, not a firmware file: wrap it with tolvern-ffs";
    return std::nullopt;
  }
  const FIRMWARE_VOLUME Lone = ReadLoneFile(Bytes);
  if (Lone.Problem != FV_SOUND) {
    Problem = std::string("not a sound firmware file: ") + FV_PROBLEM_TEXT[Lone.Problem];
    return std::nullopt;
  }
  const FFS_FILE &File = Lone.Files.front();
  if (File.Size != Bytes.size() || File.Type != EFI_FV_FILETYPE_PEIM) {
    Problem = "not a PEIM file: type " + std::to_string(File.Type) + ", " +
              std::to_string(File.Size) + " bytes in a file of " + std::to_string(Bytes.size());
    return std::nullopt;
  }
  const FFS_SECTION *Pe32 = FindSection(File, EFI_SECTION_PE32);
  if (Pe32 == nullptr) {
    Problem = "the PEIM file has no PE32 section";
    return std::nullopt;
  }
  const std::span<const uint8_t> Data = SectionData(Lone, File, *Pe32);
  std::optional<PE_FILE> Image =
      ReadPeFile(std::vector<uint8_t>(Data.begin(), Data.end()), Problem);
  if (!Image) {
    return std::nullopt;
  }
  if (const std::optional<std::string> NotInPlace = CheckRunsInPlace(*Image)) {
    Problem = "the image cannot run in place: " + *NotInPlace;
    return std::nullopt;
  }
  PEIM_INPUT Input;
  Input.Name = File.UserInterfaceName.empty() ? GuidText(File.Name) : File.UserInterfaceName;
  Input.Bytes = &Bytes;
  Input.Pe32DataOffset = Pe32->Offset + SECTION_HEADER_SIZE;
  Input.Image = std::move(*Image);
  return Input;
}

size_t AlignFile(size_t Offset) {
  return (Offset + FFS_FILE_ALIGNMENT - 1) / FFS_FILE_ALIGNMENT * FFS_FILE_ALIGNMENT;
}

using REFUSAL = std::optional<FLASH_IMAGE_REFUSAL>;

// The input a file of the volume comes from.
struct SOURCE {
  FLASH_IMAGE_INPUT Input;
  size_t PeimIndex = 0;

  FLASH_IMAGE_REFUSAL Refuse(std::string Reason) const {
    return {Input, PeimIndex, std::move(Reason)};
  }
};

constexpr SOURCE MAP_SOURCE = {FLASH_IMAGE_INPUT::FlashMap};
constexpr SOURCE MODULE_SOURCE = {FLASH_IMAGE_INPUT::Module};
constexpr SOURCE PLATFORM_SOURCE = {FLASH_IMAGE_INPUT::Platform};

// The boot volume as it is laid out so far: its files in order, and where
// each came from.
struct VOLUME_PLAN {
  FLASH_IMAGE_LAYOUT &Layout;
  std::vector<PLACED_FILE> Files;
  std::vector<SOURCE> Sources;
};

// Adds a file at Offset in the volume, first refusing one that starts before
// the part placed last ends.
REFUSAL Place(VOLUME_PLAN &Plan, const SOURCE &Source, const std::string &Name, uint64_t Offset,
              const std::vector<uint8_t> &Bytes, uint32_t Pe32Data) {
  FLASH_IMAGE_LAYOUT &Layout = Plan.Layout;
  const FLASH_IMAGE_EXTENT Extent = {static_cast<uint32_t>(Layout.Volume.Base + Offset),
                                     Layout.Volume.Base + Offset + Bytes.size()};
  if (Extent.End > Layout.Volume.End) {
    return Source.Refuse(Name + " (" + Range(Extent) + ") does not lie inside region " +
                         std::to_string(MODULE_REGION_INDEX) + " (" + Range(Layout.Volume) + ")");
  }
  if (!Layout.Files.empty() && Extent.Base < Layout.Files.back().File.End) {
    const PLACED_PART &Before = Layout.Files.back();
    return Source.Refuse(Name + " (" + Range(Extent) + ") overlaps " + Before.Name + " (" +
                         Range(Before.File) + ")");
  }
  Plan.Files.push_back({static_cast<size_t>(Offset), Bytes});
  Plan.Sources.push_back(Source);
  Layout.Files.push_back({Name, Extent, Pe32Data});
  return std::nullopt;
}

// The map's region for the module becomes the volume; its top file must hold
// the reset vector.
REFUSAL TakeModuleRegion(const FLASH_MAP_RECORD &Map, FLASH_IMAGE_LAYOUT &Layout) {
  const FLASH_REGION &Region = Map.Regions[MODULE_REGION_INDEX];
  Layout.Volume = {Region.Base, uint64_t{Region.Base} + Region.Size};
  if (Layout.Volume.End != TOP_OF_MEMORY || Region.Base < Map.FlashBase) {
    return MAP_SOURCE.Refuse("region " + std::to_string(MODULE_REGION_INDEX) + " (" +
                             Range(Layout.Volume) +
                             ") is not the top of the flash device, so its volume top file "
                             "cannot hold the reset vector at " +
                             Hex32(RESET_VECTOR_ADDRESS));
  }
  return std::nullopt;
}

// The PEIMs that stand first, one after the other, each running in place
// wherever its turn in the volume puts it.
REFUSAL PlacePeims(const FLASH_IMAGE_PARTS &Parts, VOLUME_PLAN &Plan) {
  size_t Free = FIRST_FILE_OFFSET;
  for (size_t Index = 0; Index < Parts.Peims.size(); ++Index) {
    const SOURCE Source = {FLASH_IMAGE_INPUT::Peim, Index};
    std::string Problem;
    const std::optional<PEIM_INPUT> Peim = ReadPeim(Parts.Peims[Index], Problem);
    if (!Peim) {
      return Source.Refuse("PEIM file " + std::to_string(Index + 1) + ": " + Problem);
    }
    const uint64_t Lands = Plan.Layout.Volume.Base + Free + Peim->Pe32DataOffset;
    if (Peim->Image.ImageBase != Lands) {
      return Source.Refuse("the PEIM " + Peim->Name + " is linked at " +
                           Hex32(Peim->Image.ImageBase) + ", but its PE32 data lands at " +
                           Hex32(Lands) + " (its file at volume offset " + Hex32(Free) + ")");
    }
    if (REFUSAL Refusal =
            Place(Plan, Source, Peim->Name, Free, *Peim->Bytes, static_cast<uint32_t>(Lands))) {
      return Refusal;
    }
    Free = AlignFile(Plan.Layout.Files.back().File.End - Plan.Layout.Volume.Base);
  }
  return std::nullopt;
}

// The module's file goes where its PE32 data starts at its link address.
REFUSAL PlaceModule(const FLASH_IMAGE_PARTS &Parts, VOLUME_PLAN &Plan) {
  const FLASH_IMAGE_LAYOUT &Layout = Plan.Layout;
  std::string Problem;
  const std::optional<PEIM_INPUT> Module = ReadPeim(Parts.Module, Problem);
  if (!Module) {
    return MODULE_SOURCE.Refuse("the module cannot be read: " + Problem);
  }
  if (Module->Image.ImageBase != Parts.ModuleAddress) {
    return MODULE_SOURCE.Refuse("the module's ImageBase " + Hex32(Module->Image.ImageBase) +
                                " differs from its placement address " +
                                Hex32(Parts.ModuleAddress) + " (it runs in place, unrelocated)");
  }
  const int64_t ModuleOffset = int64_t{Parts.ModuleAddress} - Layout.Volume.Base -
                               static_cast<int64_t>(Module->Pe32DataOffset);
  if (ModuleOffset < static_cast<int64_t>(FIRST_FILE_OFFSET)) {
    return MODULE_SOURCE.Refuse(
        "the module (" + Hex32(Parts.ModuleAddress) + ") does not lie inside region " +
        std::to_string(MODULE_REGION_INDEX) + " (" + Range(Layout.Volume) + ")");
  }
  if (ModuleOffset % FFS_FILE_ALIGNMENT != 0) {
    return MODULE_SOURCE.Refuse("the module's PE32 data cannot start at " +
                                Hex32(Parts.ModuleAddress) +
                                ": its file would start at volume offset " + Hex32(ModuleOffset) +
                                ", which is not 8-byte aligned");
  }
  return Place(Plan, MODULE_SOURCE, Module->Name, static_cast<uint64_t>(ModuleOffset), Parts.Module,
               Parts.ModuleAddress);
}

// The boot platform, a flat binary, is the volume top file: it ends at 4 GiB.
REFUSAL PlacePlatform(const FLASH_IMAGE_PARTS &Parts, VOLUME_PLAN &Plan) {
  const FLASH_IMAGE_LAYOUT &Layout = Plan.Layout;
  if (StartsWith(Parts.Platform, "\x7F"
                                 "ELF")) {
    return PLATFORM_SOURCE.Refuse(
        "this is an ELF file, not a flat binary: give the boot platform's .bin");
  }
  const uint64_t PlatformEnd = uint64_t{Parts.PlatformAddress} + Parts.Platform.size();
  if (Parts.Platform.empty() || PlatformEnd != TOP_OF_MEMORY ||
      Parts.PlatformAddress < Layout.Volume.Base + FIRST_FILE_OFFSET + FILE_HEADER_SIZE) {
    return PLATFORM_SOURCE.Refuse(
        "the boot platform (" + Hex32(Parts.PlatformAddress) + ", " +
        std::to_string(Parts.Platform.size()) + " bytes) does not end at the top of region " +
        std::to_string(MODULE_REGION_INDEX) + " (" + Range(Layout.Volume) +
        "), where its last 16 bytes hold the reset vector");
  }
  const std::array<uint8_t, 16> TopFileName = GuidBytes(EFI_GUID EFI_FFS_VOLUME_TOP_FILE_GUID);
  std::string Problem;
  const std::optional<std::vector<uint8_t>> TopFile =
      FfsFile(TopFileName, EFI_FV_FILETYPE_RAW, Parts.Platform, Problem);
  if (!TopFile) {
    return PLATFORM_SOURCE.Refuse("the boot platform: " + Problem);
  }
  return Place(Plan, PLATFORM_SOURCE, TOP_FILE_NAME,
               Parts.PlatformAddress - FILE_HEADER_SIZE - Layout.Volume.Base, *TopFile, 0);
}

// The volume with its pad files, in the erased device at the region's place.
REFUSAL WriteFlash(const FLASH_MAP_RECORD &Map, const VOLUME_PLAN &Plan,
                   std::vector<uint8_t> &Flash) {
  const FLASH_REGION &Region = Map.Regions[MODULE_REGION_INDEX];
  std::string Problem;
  size_t Refused = Plan.Files.size();
  const std::optional<std::vector<uint8_t>> Volume =
      FirmwareVolumeImage(Region.Size, Map.BlockSize, Plan.Files, Problem, &Refused);
  if (!Volume) {
    const SOURCE Source = Refused < Plan.Sources.size() ? Plan.Sources[Refused] : MAP_SOURCE;
    return Source.Refuse("the boot volume: " + Problem);
  }
  Flash.assign(Map.FlashSize, ERASED);
  std::copy(Volume->begin(), Volume->end(), Flash.begin() + (Region.Base - Map.FlashBase));
  return std::nullopt;
}

} // namespace

std::optional<FLASH_MAP_RECORD> PublishedFlashMap(const std::vector<uint8_t> &Image,
                                                  std::string &Problem) {
  std::optional<PE_FILE> File;
  if (IsPe32Image(Image)) {
    File = ReadPeFile(Image, Problem);
  } else if (std::optional<PEIM_INPUT> Peim = ReadPeim(Image, Problem)) {
    File = std::move(Peim->Image);
  }
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

std::optional<FLASH_IMAGE_REFUSAL> ComposeFlashImage(const FLASH_MAP_RECORD &Map,
                                                     const FLASH_IMAGE_PARTS &Parts,
                                                     std::vector<uint8_t> &Flash,
                                                     FLASH_IMAGE_LAYOUT &Layout) {
  Flash.clear();
  Layout = {};
  VOLUME_PLAN Plan{Layout, {}, {}};
  REFUSAL Refusal = TakeModuleRegion(Map, Layout);
  if (!Refusal) {
    Refusal = PlacePeims(Parts, Plan);
  }
  if (!Refusal) {
    Refusal = PlaceModule(Parts, Plan);
  }
  if (!Refusal) {
    Refusal = PlacePlatform(Parts, Plan);
  }
  return Refusal ? Refusal : WriteFlash(Map, Plan, Flash);
}

} // namespace TolvernFlash
