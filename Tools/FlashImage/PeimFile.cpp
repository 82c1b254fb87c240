#include "PeimFile.h"

#include <FfsWriter.h>
#include <PeFile.h>

#include <Pi/PiFirmwareFile.h>

namespace TolvernFlash {

using namespace HostTools;

std::optional<std::vector<uint8_t>> PeimFile(const PEIM_FILE_PARTS &Parts, std::string &Problem) {
  if (!ReadPeFile(Parts.Image, Problem)) {
    return std::nullopt;
  }
  return UncheckedPeimFile(Parts, Problem);
}

std::optional<std::vector<uint8_t>> UncheckedPeimFile(const PEIM_FILE_PARTS &Parts,
                                                      std::string &Problem) {
  std::vector<std::vector<uint8_t>> Sections;
  if (Parts.Dependency) {
    Sections.push_back(FfsSection(EFI_SECTION_PEI_DEPEX, *Parts.Dependency));
  }
  Sections.push_back(UserInterfaceSection(Parts.UserInterfaceName));
  Sections.push_back(FfsSection(EFI_SECTION_PE32, Parts.Image));
  return FfsFile(Parts.Name, EFI_FV_FILETYPE_PEIM, JoinSections(Sections), Problem);
}

} // namespace TolvernFlash
