// tolvern-flash: builds the emulated board's 16 MiB flash image from the module
// and the boot platform, or refuses (exit status 1) when they do not fit.
#include "FlashImageLayout.h"

#include <CommandLine.h>
#include <InputFile.h>
#include <MessageText.h>

#include <cstdio>
#include <fstream>

using namespace TolvernFlash;
using namespace HostTools;

namespace {

constexpr const char *PROGRAM = "tolvern-flash";
constexpr int EXIT_REFUSED = 1; // an input that cannot be read or placed, or no output written
static_assert(HostTools::EXIT_USAGE == 2, "usage errors exit 2, as in every tool");

struct INPUT {
  const char *Option;
  std::string Path;
  std::vector<uint8_t> Bytes;
};

int Run(int Argc, char **Argv) {
  CLI::App App{"Builds the flash image of the emulated board.\n"
               "Exit codes: 0 written, 1 refused (an input unreadable or not placeable), 2 usage.",
               PROGRAM};
  INPUT Module{"--module", "", {}};
  INPUT Platform{"--platform", "", {}};
  INPUT Map{"--flash-map", "", {}};
  std::string ModuleAddressText, PlatformAddressText, OutputPath;
  App.add_option("--module", Module.Path, "the module's PE32 image")->required();
  App.add_option("--address", ModuleAddressText, "where the module's first byte goes")->required();
  App.add_option("--platform", Platform.Path, "the boot platform's flat binary")->required();
  App.add_option("--platform-address", PlatformAddressText, "where the boot platform goes")
      ->required();
  App.add_option("--output", OutputPath, "the flash image to write")->required();
  App.add_option("--flash-map", Map.Path,
                 "take the published flash map from this image instead of the module's own "
                 "(to place a test module under the real map)");
  if (std::optional<int> Stop = ParseCommandLine(App, Argc, Argv)) {
    return *Stop;
  }

  std::string Error;
  FLASH_IMAGE_PARTS Parts;
  const std::optional<uint64_t> ModuleAddress =
      NumberOption("--address", ModuleAddressText, 0, 0xFFFFFFFF, Error);
  const std::optional<uint64_t> PlatformAddress =
      ModuleAddress ? NumberOption("--platform-address", PlatformAddressText, 0, 0xFFFFFFFF, Error)
                    : std::nullopt;
  if (!PlatformAddress) {
    return Fail(PROGRAM, EXIT_USAGE, Error);
  }
  for (INPUT *Input : {&Module, &Platform, &Map}) {
    if (Input->Path.empty()) {
      continue;
    }
    if (IsSameFile(Input->Path, OutputPath)) {
      return Fail(PROGRAM, EXIT_USAGE,
                  "--output " + PrintableText(OutputPath) + " is the " + Input->Option + " input");
    }
    std::optional<std::vector<uint8_t>> Bytes = ReadInputFile(Input->Path, Error);
    if (!Bytes) {
      return Fail(PROGRAM, EXIT_REFUSED, PrintableText(Input->Path) + ": " + Error);
    }
    Input->Bytes = std::move(*Bytes);
  }
  Parts.Module = std::move(Module.Bytes);
  Parts.ModuleAddress = static_cast<uint32_t>(*ModuleAddress);
  Parts.Platform = std::move(Platform.Bytes);
  Parts.PlatformAddress = static_cast<uint32_t>(*PlatformAddress);

  const std::optional<FLASH_MAP_RECORD> Record =
      PublishedFlashMap(Map.Path.empty() ? Parts.Module : Map.Bytes, Error);
  std::vector<uint8_t> Flash;
  FLASH_IMAGE_LAYOUT Layout;
  if (Record) {
    Error = ComposeFlashImage(*Record, Parts, Flash, Layout);
  }
  if (!Error.empty()) {
    return Fail(PROGRAM, EXIT_REFUSED, "refusing " + PrintableText(Module.Path) + ": " + Error);
  }

  std::ofstream Output(OutputPath, std::ios::binary | std::ios::trunc);
  Output.write(reinterpret_cast<const char *>(Flash.data()),
               static_cast<std::streamsize>(Flash.size()));
  Output.close();
  if (!Output) {
    return Fail(PROGRAM, EXIT_REFUSED, "cannot write " + PrintableText(OutputPath));
  }
  std::printf("%s: %s: module 0x%08X-0x%08llX in region %u (0x%08X-0x%08llX), "
              "boot platform 0x%08X-0x%08llX\n",
              PROGRAM, PrintableText(OutputPath).c_str(), Layout.Module.Base,
              static_cast<unsigned long long>(Layout.Module.End - 1), MODULE_REGION_INDEX,
              Layout.Region.Base, static_cast<unsigned long long>(Layout.Region.End - 1),
              Layout.Platform.Base, static_cast<unsigned long long>(Layout.Platform.End - 1));
  return 0;
}

} // namespace

int main(int Argc, char **Argv) {
  return GuardedMain(PROGRAM, EXIT_REFUSED, Run, Argc, Argv);
}
