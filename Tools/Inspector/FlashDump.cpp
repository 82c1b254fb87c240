// A dump is taken to end at 4 GiB, where a board maps its flash device; the
// map it publishes then says where each part should lie, and the dump is
// held against that.
#include "FlashDump.h"

#include "InspectError.h"

#include <FlashMapSearch.h>
#include <Guid.h>
#include <LittleEndian.h>
#include <MessageText.h>
#include <PeFile.h>

#include <Pi/PiFirmwareFile.h>
#include <Pi/PiFirmwareVolume.h>

#include <algorithm>
#include <iterator>

namespace TolvernInspect {

using namespace HostTools;

namespace {

constexpr uint64_t TOP_OF_MEMORY = 0x100000000ull;
constexpr size_t SIGNATURE_OFFSET = OFFSET_OF(EFI_FIRMWARE_VOLUME_HEADER, Signature);
constexpr size_t FILE_SYSTEM_OFFSET = OFFSET_OF(EFI_FIRMWARE_VOLUME_HEADER, FileSystemGuid);
constexpr size_t SECTION_HEADER_SIZE = sizeof(EFI_COMMON_SECTION_HEADER);

bool HeaderRead(const FIRMWARE_VOLUME &Volume) {
  return Volume.Problem == FV_SOUND || FvProblemHasOffset(Volume.Problem);
}

// A volume is a signature with the FFS2 file system's GUID before it: four
// bytes of code or data may read "_FVH" too. One whose header holds is
// stepped over whole; any other is a damaged volume, and the search goes on
// right after its signature. Volumes of other file systems are not read.
std::vector<FIRMWARE_VOLUME> FindVolumes(std::span<const uint8_t> Bytes) {
  const std::array<uint8_t, 16> Ffs2 = GuidBytes(EFI_GUID EFI_FIRMWARE_FILE_SYSTEM2_GUID);
  std::vector<FIRMWARE_VOLUME> Volumes;
  for (size_t Offset = 0; Offset + SIGNATURE_OFFSET + 4 <= Bytes.size();) {
    if (ReadLe32(Bytes, Offset + SIGNATURE_OFFSET) != EFI_FVH_SIGNATURE ||
        !std::equal(Ffs2.begin(), Ffs2.end(), Bytes.begin() + Offset + FILE_SYSTEM_OFFSET)) {
      Offset += FFS_FILE_ALIGNMENT;
      continue;
    }
    Volumes.push_back(ReadFirmwareVolume(Bytes, Offset));
    const FIRMWARE_VOLUME &Volume = Volumes.back();
    Offset += HeaderRead(Volume) ? (Volume.Length + FFS_FILE_ALIGNMENT - 1) / FFS_FILE_ALIGNMENT *
                                       FFS_FILE_ALIGNMENT
                                 : FFS_FILE_ALIGNMENT;
  }
  return Volumes;
}

// The first sound PEIM file whose PE32 image publishes a flash map.
bool FindPublisher(FLASH_DUMP &Dump, INSPECTION &Inspection) {
  for (const FIRMWARE_VOLUME &Volume : Dump.Volumes) {
    for (const FFS_FILE &File : Volume.Files) {
      const FFS_SECTION *Pe32 = FindSection(File, EFI_SECTION_PE32);
      if (!IsLiveFile(File) || File.DataChecksumValid != true || Pe32 == nullptr) {
        continue;
      }
      const std::span<const uint8_t> Data = SectionData(Volume, File, *Pe32);
      std::string Problem;
      const std::optional<PE_FILE> Image =
          ReadPeFile(std::vector<uint8_t>(Data.begin(), Data.end()), Problem);
      std::optional<PUBLISHED_FLASH_MAP> Found =
          Image ? FindFlashMap(*Image, Problem) : std::nullopt;
      if (!Found) {
        continue;
      }
      Dump.PublisherGuid = GuidText(File.Name);
      Dump.PublisherName =
          File.UserInterfaceName.empty() ? Dump.PublisherGuid : File.UserInterfaceName;
      Dump.PublisherImage = static_cast<uint32_t>(Dump.Base + Volume.Offset + File.Offset +
                                                  Pe32->Offset + SECTION_HEADER_SIZE);
      Inspection.ImageBase = Image->ImageBase;
      Inspection.ImageSize = Data.size();
      Inspection.Found = std::move(*Found);
      return true;
    }
  }
  return false;
}

// The regions of Map that hold all of [Start, End).
std::vector<size_t> RegionsHolding(const FLASH_MAP_RECORD &Map, uint64_t Start, uint64_t End) {
  std::vector<size_t> Holding;
  for (size_t Index = 0; Index < FLASH_MAP_REGION_COUNT; ++Index) {
    const FLASH_REGION &Region = Map.Regions[Index];
    if (Start >= Region.Base && End <= uint64_t{Region.Base} + Region.Size) {
      Holding.push_back(Index);
    }
  }
  return Holding;
}

CHECK_RESULT VolumesInRegions(FLASH_DUMP &Dump, const FLASH_MAP_RECORD &Map) {
  CHECK_RESULT Check{CHECK_VOLUMES_IN_REGIONS, true, ""};
  for (const FIRMWARE_VOLUME &Volume : Dump.Volumes) {
    Dump.VolumeRegions.emplace_back();
    if (!HeaderRead(Volume)) {
      continue; // no length to place it by; reported as damaged
    }
    const uint64_t Start = Dump.Base + Volume.Offset;
    const std::vector<size_t> Holding = RegionsHolding(Map, Start, Start + Volume.Length);
    const std::string Range = Hex32(Start) + "-" + Hex32(Start + Volume.Length - 1);
    const std::string Said = Holding.size() == 1
                                 ? "volume " + Range + " in region " + std::to_string(Holding[0])
                                 : "volume " + Range + " in no single region";
    Check.Passed = Check.Passed && Holding.size() == 1;
    if (Holding.size() == 1) {
      Dump.VolumeRegions.back() = Holding[0];
    }
    Check.Detail += (Check.Detail.empty() ? "" : "; ") + Said;
  }
  return Check;
}

void CrossCheck(FLASH_DUMP &Dump, const INSPECTION &Inspection) {
  const FLASH_MAP_RECORD &Map = Inspection.Found.Record;
  const bool WholeDevice = Dump.Bytes.size() == Map.FlashSize && Dump.Base == Map.FlashBase;
  Dump.CrossChecks.push_back(
      {CHECK_DUMP_SIZE, WholeDevice,
       std::to_string(Dump.Bytes.size()) + " bytes from " + Hex32(Dump.Base) + ", the device " +
           std::to_string(Map.FlashSize) + " bytes from " + Hex32(Map.FlashBase)});
  Dump.CrossChecks.push_back(VolumesInRegions(Dump, Map));
  const bool InPlace = Dump.PublisherImage == Inspection.ImageBase;
  Dump.CrossChecks.push_back(
      {CHECK_IMAGE_IN_PLACE, InPlace,
       Dump.PublisherName + "'s image lies at " + Hex32(Dump.PublisherImage) +
           (InPlace ? ", its link address" : ", but is linked at " + Hex32(Inspection.ImageBase))});
}

} // namespace

INSPECTION InspectFlashDump(const std::string &Path, std::vector<uint8_t> Bytes) {
  auto Dump = std::make_shared<FLASH_DUMP>();
  Dump->Bytes = std::move(Bytes);
  if (Dump->Bytes.empty() || Dump->Bytes.size() > TOP_OF_MEMORY) {
    throw INSPECT_ERROR("cannot read it as a flash image");
  }
  Dump->Base = TOP_OF_MEMORY - Dump->Bytes.size();
  Dump->Volumes = FindVolumes(Dump->Bytes);
  if (Dump->Volumes.empty()) {
    throw INSPECT_ERROR("not a PE image (no MZ header), nor a flash image (no firmware volume)");
  }
  INSPECTION Inspection;
  Inspection.ImagePath = Path;
  Inspection.MapFound = FindPublisher(*Dump, Inspection);
  if (Inspection.MapFound) {
    Inspection.Checks = CheckFlashMapRecord(Inspection.Found.RecordBytes);
    CrossCheck(*Dump, Inspection);
  }
  Inspection.Dump = std::move(Dump);
  return Inspection;
}

} // namespace TolvernInspect
