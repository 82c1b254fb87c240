// tolvern-flash: builds the emulated board's 16 MiB flash image from the module's
// PEIM file, the PEIM files that stand before it and the boot platform, laid
// out as a firmware volume in the module's region, or refuses (exit status 1)
// when they do not fit.
#include "FlashImageLayout.h"
#include "LayoutText.h"

#include <CLI/CLI.hpp>

#include <cstdio>
#include <fstream>
#include <iterator>

using namespace TolvernFlash;

namespace {

bool ReadFile(const std::string &Path, std::vector<uint8_t> &Bytes) {
  std::ifstream File(Path, std::ios::binary);
  if (!File) {
    return false;
  }
  Bytes.assign(std::istreambuf_iterator<char>(File), std::istreambuf_iterator<char>());
  return true;
}

} // namespace

int main(int argc, char **argv) {
  CLI::App App{"Builds the flash image of the emulated board"};
  std::string ModulePath, MapPath, PlatformPath, OutputPath;
  std::vector<std::string> PeimPaths;
  uint32_t ModuleAddress = 0, PlatformAddress = 0;
  App.add_option("--module", ModulePath, "the module's PEIM file (Tolvern.ffs)")->required();
  App.add_option("--address", ModuleAddress,
                 "where the module's PE32 data starts: its link address")
      ->required();
  App.add_option("--peim", PeimPaths,
                 "a PEIM file to stand before the module, each linked where its PE32 data lands "
                 "(repeatable, in volume order)");
  App.add_option("--platform", PlatformPath, "the boot platform's flat binary")->required();
  App.add_option("--platform-address", PlatformAddress, "where the boot platform goes")->required();
  App.add_option("--output", OutputPath, "the flash image to write")->required();
  App.add_option("--flash-map", MapPath,
                 "take the published flash map from this image or PEIM file instead of the "
                 "module's own "
                 "(to place a test module under the real map)");
  CLI11_PARSE(App, argc, argv);

  FLASH_IMAGE_PARTS Parts;
  Parts.ModuleAddress = ModuleAddress;
  Parts.PlatformAddress = PlatformAddress;
  if (!ReadFile(ModulePath, Parts.Module) || !ReadFile(PlatformPath, Parts.Platform)) {
    std::fprintf(stderr, "tolvern-flash: cannot read %s or %s\n", ModulePath.c_str(),
                 PlatformPath.c_str());
    return 1;
  }
  for (const std::string &Path : PeimPaths) {
    if (!ReadFile(Path, Parts.Peims.emplace_back())) {
      std::fprintf(stderr, "tolvern-flash: cannot read %s\n", Path.c_str());
      return 1;
    }
  }

  std::vector<uint8_t> MapImage;
  if (!MapPath.empty() && !ReadFile(MapPath, MapImage)) {
    std::fprintf(stderr, "tolvern-flash: cannot read %s\n", MapPath.c_str());
    return 1;
  }
  std::string Error;
  const std::optional<FLASH_MAP_RECORD> Map =
      PublishedFlashMap(MapPath.empty() ? Parts.Module : MapImage, Error);
  std::vector<uint8_t> Flash;
  FLASH_IMAGE_LAYOUT Layout;
  if (Map) {
    Error = ComposeFlashImage(*Map, Parts, Flash, Layout);
  }
  if (!Error.empty()) {
    std::fprintf(stderr, "tolvern-flash: refusing %s: %s\n", ModulePath.c_str(), Error.c_str());
    return 1;
  }

  std::ofstream Output(OutputPath, std::ios::binary | std::ios::trunc);
  Output.write(reinterpret_cast<const char *>(Flash.data()),
               static_cast<std::streamsize>(Flash.size()));
  if (!Output) {
    std::fprintf(stderr, "tolvern-flash: cannot write %s\n", OutputPath.c_str());
    return 1;
  }
  std::printf("%s\n", LayoutText(OutputPath, Layout).c_str());
  return 0;
}
