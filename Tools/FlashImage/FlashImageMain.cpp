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

// An input file, known by the option that names it.
struct INPUT {
  const char *Option;
  std::string Path = "";
  std::vector<uint8_t> Bytes = {};

  // "--platform BootPlatform.bin", as a message names it.
  std::string Named() const { return std::string(Option) + " " + PrintableText(Path); }
};

// What the command line names, each input by its role.
struct COMMAND_LINE {
  INPUT Module{"--module"};
  INPUT Platform{"--platform"};
  INPUT FlashMap{"--flash-map"}; // optional: the module publishes the map otherwise
  std::vector<INPUT> Peims;      // in volume order
  std::vector<std::string> PeimPaths;
  std::string ModuleAddressText;
  std::string PlatformAddressText;
  std::string OutputPath;

  // The input the flash map is taken from.
  const INPUT &MapInput() const { return FlashMap.Path.empty() ? Module : FlashMap; }
};

void DeclareOptions(CLI::App &App, COMMAND_LINE &Line) {
  App.add_option("--module", Line.Module.Path, "the module's PEIM file (Tolvern.ffs)")->required();
  App.add_option("--address", Line.ModuleAddressText,
                 "where the module's PE32 data starts: its link address")
      ->required();
  App.add_option("--peim", Line.PeimPaths,
                 "a PEIM file to stand before the module, each linked where its PE32 data lands "
                 "(repeatable, in volume order)");
  App.add_option("--platform", Line.Platform.Path, "the boot platform's flat binary")->required();
  App.add_option("--platform-address", Line.PlatformAddressText, "where the boot platform goes")
      ->required();
  App.add_option("--output", Line.OutputPath, "the flash image to write")->required();
  App.add_option("--flash-map", Line.FlashMap.Path,
                 "take the published flash map from this image or PEIM file instead of the "
                 "module's own (to place a test module under the real map)");
}

// Reads every input given, in the order module, platform, map, PEIMs; the
// first that cannot be read ends the run with its exit status.
std::optional<int> ReadInputs(COMMAND_LINE &Line) {
  for (const std::string &Path : Line.PeimPaths) {
    Line.Peims.push_back({"--peim", Path});
  }
  std::vector<INPUT *> Inputs = {&Line.Module, &Line.Platform, &Line.FlashMap};
  for (INPUT &Peim : Line.Peims) {
    Inputs.push_back(&Peim);
  }
  for (INPUT *Input : Inputs) {
    if (Input->Path.empty()) {
      continue;
    }
    if (IsSameFile(Input->Path, Line.OutputPath)) {
      return Fail(PROGRAM, EXIT_USAGE,
                  "--output " + PrintableText(Line.OutputPath) + " is the " + Input->Option +
                      " input");
    }
    std::string Error;
    std::optional<std::vector<uint8_t>> Bytes = ReadInputFile(Input->Path, Error);
    if (!Bytes) {
      return Fail(PROGRAM, EXIT_REFUSED, Input->Named() + ": " + Error);
    }
    Input->Bytes = std::move(*Bytes);
  }
  return std::nullopt;
}

const INPUT &RefusedInput(const COMMAND_LINE &Line, const FLASH_IMAGE_REFUSAL &Refusal) {
  switch (Refusal.Input) {
  case FLASH_IMAGE_INPUT::Peim:
    return Line.Peims.at(Refusal.PeimIndex);
  case FLASH_IMAGE_INPUT::Platform:
    return Line.Platform;
  case FLASH_IMAGE_INPUT::FlashMap:
    return Line.MapInput();
  case FLASH_IMAGE_INPUT::Module:
    break;
  }
  return Line.Module;
}

int Refuse(const INPUT &Input, const std::string &Reason) {
  return Fail(PROGRAM, EXIT_REFUSED, "refusing " + Input.Named() + ": " + Reason);
}

bool WriteOutput(const std::string &Path, const std::vector<uint8_t> &Flash) {
  std::ofstream Output(Path, std::ios::binary | std::ios::trunc);
  Output.write(reinterpret_cast<const char *>(Flash.data()),
               static_cast<std::streamsize>(Flash.size()));
  Output.close();
  return static_cast<bool>(Output);
}

int Run(int Argc, char **Argv) {
  CLI::App App{"Builds the flash image of the emulated board: the module's PEIM file, the PEIM "
               "files before it and the boot platform in a firmware volume laid out by the "
               "module's own flash map.\n"
               "Exit codes: 0 written, 1 refused (an input unreadable or not placeable), 2 usage.",
               PROGRAM};
  COMMAND_LINE Line;
  DeclareOptions(App, Line);
  if (std::optional<int> Stop = ParseCommandLine(App, Argc, Argv)) {
    return *Stop;
  }

  std::string Error;
  const std::optional<uint64_t> ModuleAddress =
      NumberOption("--address", Line.ModuleAddressText, 0, 0xFFFFFFFF, Error);
  const std::optional<uint64_t> PlatformAddress =
      ModuleAddress
          ? NumberOption("--platform-address", Line.PlatformAddressText, 0, 0xFFFFFFFF, Error)
          : std::nullopt;
  if (!PlatformAddress) {
    return Fail(PROGRAM, EXIT_USAGE, Error);
  }
  if (std::optional<int> Stop = ReadInputs(Line)) {
    return *Stop;
  }

  const std::optional<FLASH_MAP_RECORD> Record = PublishedFlashMap(Line.MapInput().Bytes, Error);
  if (!Record) {
    return Refuse(Line.MapInput(), Error);
  }
  FLASH_IMAGE_PARTS Parts;
  Parts.Module = std::move(Line.Module.Bytes);
  Parts.ModuleAddress = static_cast<uint32_t>(*ModuleAddress);
  Parts.Platform = std::move(Line.Platform.Bytes);
  Parts.PlatformAddress = static_cast<uint32_t>(*PlatformAddress);
  for (INPUT &Peim : Line.Peims) {
    Parts.Peims.push_back(std::move(Peim.Bytes));
  }
  std::vector<uint8_t> Flash;
  FLASH_IMAGE_LAYOUT Layout;
  if (const std::optional<FLASH_IMAGE_REFUSAL> Refusal =
          ComposeFlashImage(*Record, Parts, Flash, Layout)) {
    return Refuse(RefusedInput(Line, *Refusal), Refusal->Reason);
  }

  if (!WriteOutput(Line.OutputPath, Flash)) {
    return Fail(PROGRAM, EXIT_REFUSED, "cannot write " + PrintableText(Line.OutputPath));
  }
  std::printf("%s\n", LayoutText(PrintableText(Line.OutputPath), Layout).c_str());
  return 0;
}

} // namespace

int main(int Argc, char **Argv) {
  return GuardedMain(PROGRAM, EXIT_REFUSED, Run, Argc, Argv);
}
