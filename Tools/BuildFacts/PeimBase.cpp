#include "PeimBase.h"

#include <FfsWriter.h>
#include <FirmwareVolume.h>
#include <MessageText.h>

#include <Pi/PiFirmwareFile.h>

namespace BuildFacts {

using namespace HostTools;

namespace {

// Any bytes: the PE32 section is the file's last part, so nothing lands
// after its data; it only must not be empty, to have an address.
constexpr uint8_t PLACEHOLDER[] = {'M', 'Z', 0, 0};
// Any power of two: a volume with one block run has the same header.
constexpr uint32_t BLOCK_SIZE = 0x1000;

std::optional<size_t> Pe32DataOffset(const std::vector<uint8_t> &Volume, std::string &Problem) {
  const FIRMWARE_VOLUME Read = ReadFirmwareVolume(Volume, 0);
  const FFS_SECTION *Pe32 =
      Read.Files.empty() ? nullptr : FindSection(Read.Files.front(), EFI_SECTION_PE32);
  if (Read.Problem != FV_SOUND || Pe32 == nullptr) {
    Problem = "the volume written around the PEIM does not read back: " + ProblemText(Read);
    return std::nullopt;
  }
  const std::span<const uint8_t> Data = SectionData(Read, Read.Files.front(), *Pe32);
  return static_cast<size_t>(Data.data() - Volume.data());
}

} // namespace

std::optional<uint32_t> FirstPeimBase(uint32_t VolumeBase, TolvernFlash::PEIM_FILE_PARTS Parts,
                                      std::string &Problem) {
  Parts.Image.assign(std::begin(PLACEHOLDER), std::end(PLACEHOLDER));
  const std::optional<std::vector<uint8_t>> File = UncheckedPeimFile(Parts, Problem);
  if (!File) {
    return std::nullopt;
  }
  const uint64_t Length =
      (FIRST_FILE_OFFSET + File->size() + BLOCK_SIZE - 1) / BLOCK_SIZE * BLOCK_SIZE;
  const std::optional<std::vector<uint8_t>> Volume =
      FirmwareVolumeImage(Length, BLOCK_SIZE, {{FIRST_FILE_OFFSET, *File}}, Problem);
  const std::optional<size_t> Offset = Volume ? Pe32DataOffset(*Volume, Problem) : std::nullopt;
  if (!Offset) {
    return std::nullopt;
  }
  const uint64_t Base = uint64_t{VolumeBase} + *Offset;
  if (Base > UINT32_MAX) {
    Problem = "its PE32 data would start at " + Hex32(Base) + ", past 4 GiB";
    return std::nullopt;
  }
  return static_cast<uint32_t>(Base);
}

} // namespace BuildFacts
