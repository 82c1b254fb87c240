// Everything the inspector learns from one image, ready for any output form.
#pragma once

#include <PublishedFlashMap.h>
#include <RecordChecks.h>

#include <optional>
#include <string>
#include <vector>

namespace TolvernInspect {

struct INSPECTION {
  std::string ImagePath;
  uint32_t ImageBase = 0;
  size_t ImageSize = 0; // bytes in the file
  // Why the image cannot execute where it lies in flash (the emulator's and the
  // flash builder's verdict too), or nothing when it can.
  std::optional<std::string> RunInPlaceProblem;
  HostTools::PUBLISHED_FLASH_MAP Found; // the descriptor, and the record decoded
  std::vector<HostTools::CHECK_RESULT> Checks;
};

// Opens the image, finds the published record and checks it. Throws
// INSPECT_ERROR when there is no record to show; a record that breaks its
// invariants is returned with the failed checks.
INSPECTION InspectImage(const std::string &Path);

} // namespace TolvernInspect
