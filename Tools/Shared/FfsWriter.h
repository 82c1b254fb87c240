// Writes what FirmwareVolume.h reads: sections, files and whole firmware
// volumes of the FFS2 file system, for flash erased to 0xFF. Every file is
// written with its state "data valid" and with header and data checksums.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace HostTools {

// Where the first file of a volume with one block run starts.
constexpr size_t FIRST_FILE_OFFSET = 72;

// A section: its 4-byte header, then Data.
std::vector<uint8_t> FfsSection(uint8_t Type, std::span<const uint8_t> Data);

// A user-interface section holding Name as a NUL-terminated 16-bit string.
std::vector<uint8_t> UserInterfaceSection(const std::string &Name);

// Sections one after the other, each started 4-byte aligned (zero bytes between).
std::vector<uint8_t> JoinSections(const std::vector<std::vector<uint8_t>> &Sections);

// A file of Type named Name holding Data. Nothing, and Problem set, when the
// file would not fit a 24-bit size.
std::optional<std::vector<uint8_t>> FfsFile(const std::array<uint8_t, 16> &Name, uint8_t Type,
                                            std::span<const uint8_t> Data, std::string &Problem);

struct PLACED_FILE {
  size_t Offset = 0; // from the volume's first byte
  std::vector<uint8_t> Bytes;
};

// A volume of Length bytes in blocks of BlockSize holding Files, in order, at
// their offsets; the gap before a file becomes a pad file and the space after
// the last one stays free. Nothing, and one line in Problem, when a file is
// misaligned, overlaps the one before, leaves a gap too small for a pad file
// or reaches past the volume; then RefusedFile, when given, is set to the
// index of that file in Files (and left alone when the volume itself is refused).
std::optional<std::vector<uint8_t>> FirmwareVolumeImage(uint64_t Length, uint32_t BlockSize,
                                                        const std::vector<PLACED_FILE> &Files,
                                                        std::string &Problem,
                                                        size_t *RefusedFile = nullptr);

} // namespace HostTools
