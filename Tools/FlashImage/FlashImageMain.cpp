// tolvern-flash: builds the emulated board's 16 MiB flash image from the module's
// PEIM file, the PEIM files that stand before it and the boot platform, laid
// out as a firmware volume in the module's region, or refuses (exit status 1)
// when they do not fit.
#include "FlashImageLayout.h"
#include "LayoutText.h"

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
  CLI::App App{"Builds the flash image of the emulated board: the module's PEIM file, the PEIM "
               "files before it and the boot platform in a firmware volume laid out by the "
               "module's own flash map.\n"
               "Exit codes: 0 written, 1 refused (an input unreadable or not placeable), 2 usage.",
               PROGRAM};
  INPUT Module{"--module", "", {}};
  INPUT Platform{"--platform", "", {}};
  INPUT Map{"--flash-map", "", {}};
  std::vector<std::string> PeimPaths;
  std::string ModuleAddressText, PlatformAddressText, OutputPath;
  App.add_option("--module", Module.Path, "the module's PEIM file (Tolvern.ffs)")->required();
  App.add_option("--address", ModuleAddressText,
                 "where the module's PE32 data starts: its link address")
      ->required();
  App.add_option("--peim", PeimPaths,
                 "a PEIM file to stand before the module, each linked where its PE32 data lands "
                 "(repeatable, in volume order)");
  App.add_option("--platform", Platform.Path, "the boot platform's flat binary")->required();
  App.add_option("--platform-address", PlatformAddressText, "where the boot platform goes")
      ->required();
  App.add_option("--output", OutputPath, "the flash image to write")->required();
  App.add_option("--flash-map", Map.Path,
                 "take the published flash map from this image or PEIM file instead of the "
                 "module's own (to place a test module under the real map)");
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
  std::vector<INPUT> Inputs = {Module, Platform, Map};
  for (const std::string &Path : PeimPaths) {
    Inputs.push_back({"--peim", Path, {}});
  }
  for (INPUT &Input : Inputs) {
    if (Input.Path.empty()) {
      continue;
    }
    if (IsSameFile(Input.Path, OutputPath)) {
      return Fail(PROGRAM, EXIT_USAGE,
                  "--output " + PrintableText(OutputPath) + " is the " + Input.Option + " input");
    }
    std::optional<std::vector<uint8_t>> Bytes = ReadInputFile(Input.Path, Error);
    if (!Bytes) {
      return Fail(PROGRAM, EXIT_REFUSED, PrintableText(Input.Path) + ": " + Error);
    }
    Input.Bytes = std::move(*Bytes);
  }
  Parts.Module = std::move(Inputs[0].Bytes);
  Parts.ModuleAddress = static_cast<uint32_t>(*ModuleAddress);
  Parts.Platform = std::move(Inputs[1].Bytes);
  Parts.PlatformAddress = static_cast<uint32_t>(*PlatformAddress);
  for (size_t Index = 3; Index < Inputs.size(); ++Index) {
    Parts.Peims.push_back(std::move(Inputs[Index].Bytes));
  }

  const std::optional<FLASH_MAP_RECORD> Record =
      PublishedFlashMap(Map.Path.empty() ? Parts.Module : Inputs[2].Bytes, Error);
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
  std::printf("%s\n", LayoutText(PrintableText(OutputPath), Layout).c_str());
  return 0;
}

} // namespace

int main(int Argc, char **Argv) {
  return GuardedMain(PROGRAM, EXIT_REFUSED, Run, Argc, Argv);
}
