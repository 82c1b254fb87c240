// A PEIM as a firmware file: the dependency expression, the user-interface
// name and the PE32 image, in that order, so that the image's data is the
// file's last part and its placement follows from the file's.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace TolvernFlash {

struct PEIM_FILE_PARTS {
  std::array<uint8_t, 16> Name{}; // the file's GUID
  std::string UserInterfaceName;
  std::optional<std::vector<uint8_t>> Dependency; // without one, the PEIM runs at once
  std::vector<uint8_t> Image;                     // an IA32 PE32 image
};

// The file's bytes, or nothing and one line in Problem when the image is not
// an IA32 PE32 image or the file would be too large.
std::optional<std::vector<uint8_t>> PeimFile(const PEIM_FILE_PARTS &Parts, std::string &Problem);

// The same file around Image's bytes as they are, unchecked: where each part
// lands does not depend on what the image holds.
std::optional<std::vector<uint8_t>> UncheckedPeimFile(const PEIM_FILE_PARTS &Parts,
                                                      std::string &Problem);

} // namespace TolvernFlash
