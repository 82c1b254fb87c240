// Everything the inspector learns from one image or flash dump, ready for any
// output form.
#pragma once

#include <FirmwareVolume.h>
#include <PublishedFlashMap.h>
#include <RecordChecks.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace TolvernInspect {

// A flash image or a dump read off a board, mapped so that its last byte is
// at 0xFFFFFFFF, and the firmware volumes found in it.
struct FLASH_DUMP {
  std::vector<uint8_t> Bytes;
  uint64_t Base = 0;                               // the address of its first byte
  std::vector<HostTools::FIRMWARE_VOLUME> Volumes; // in address order; they refer to Bytes
  // The PEIM whose image publishes the flash map, when one does.
  std::string PublisherName; // its user-interface name, or its GUID
  std::string PublisherGuid;
  uint32_t PublisherImage = 0; // where its PE32 data lies
  // The dump as large as the device, each volume inside exactly one region,
  // the image at its link address; empty without a flash map.
  std::vector<HostTools::CHECK_RESULT> CrossChecks;
  std::vector<std::optional<size_t>> VolumeRegions; // the one region holding each volume
};

struct INSPECTION {
  std::string ImagePath;
  uint32_t ImageBase = 0;
  size_t ImageSize = 0; // bytes in the file
  // Why the image cannot execute where it lies in flash (the emulator's and the
  // flash builder's verdict too), or nothing when it can.
  std::optional<std::string> RunInPlaceProblem;
  bool MapFound = true;                 // false only for a dump in which no PEIM publishes one
  HostTools::PUBLISHED_FLASH_MAP Found; // the descriptor, and the record decoded
  std::vector<HostTools::CHECK_RESULT> Checks;
  std::shared_ptr<const FLASH_DUMP> Dump; // for a flash image or dump
};

// Reads Bytes (the file at Path) as an image, finds the published record and
// checks it. Throws INSPECT_ERROR when there is no record to show; a record
// that breaks its invariants is returned with the failed checks.
INSPECTION InspectImage(const std::string &Path, std::vector<uint8_t> Bytes);

// Reads the file at Path (see ReadInputFile: never more than a flash device's
// worth); a PE32 file is inspected as an image, any other file as a flash dump.
INSPECTION Inspect(const std::string &Path);

// The first damaged volume of a dump, or null.
const HostTools::FIRMWARE_VOLUME *DamagedVolume(const INSPECTION &Inspection);

// The map, the volumes and the dump's agreement with the map are all sound.
bool InspectionSound(const INSPECTION &Inspection);

} // namespace TolvernInspect
