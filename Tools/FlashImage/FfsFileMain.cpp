// tolvern-ffs: wraps a PEIM's PE32 image into a firmware file (type PEIM:
// dependency expression, user-interface name, PE32 image) for a volume of
// flash that erases to 0xFF. Every failure is one line on stderr; exit status
// 1 for a refused input or output, 2 for a usage error.
#include "PeimFile.h"

#include <CommandLine.h>
#include <DependencyText.h>
#include <Guid.h>
#include <InputFile.h>
#include <MessageText.h>

#include <fstream>

using namespace TolvernFlash;
using namespace HostTools;

namespace {

constexpr const char *PROGRAM = "tolvern-ffs";
constexpr int EXIT_REFUSED = 1;

int Run(int Argc, char **Argv) {
  CLI::App App{"Wraps a PEIM's PE32 image into a firmware file of type PEIM.\n"
               "Exit codes: 0 written, 1 refused (an input unreadable or not a PEIM image, or "
               "no output written), 2 usage.",
               PROGRAM};
  std::string ImagePath, GuidText, Name, DependencyText, OutputPath;
  App.add_option("--pe32", ImagePath, "the PEIM's IA32 PE32 image")->required();
  App.add_option("--guid", GuidText, "the file's name, a GUID")->required();
  App.add_option("--name", Name, "its user-interface name")->required();
  App.add_option("--depex", DependencyText,
                 "its dependency expression, e.g. \"TRUE END\" or \"PUSH flash-map END\" "
                 "(without one it is dispatched at once)");
  App.add_option("--output", OutputPath, "the firmware file to write")->required();
  if (std::optional<int> Stop = ParseCommandLine(App, Argc, Argv)) {
    return *Stop;
  }

  PEIM_FILE_PARTS Parts;
  const std::optional<std::array<uint8_t, 16>> Guid = ParseGuid(GuidText);
  if (!Guid) {
    return Fail(PROGRAM, EXIT_USAGE,
                "--guid: '" + GuidText + "' is not a GUID (8-4-4-4-12 hex digits)");
  }
  Parts.Name = *Guid;
  Parts.UserInterfaceName = Name;
  std::string Problem;
  if (!DependencyText.empty()) {
    Parts.Dependency = EncodeDependency(DependencyText, Problem);
    if (!Parts.Dependency) {
      return Fail(PROGRAM, EXIT_USAGE, "--depex: " + Problem);
    }
  }
  if (IsSameFile(ImagePath, OutputPath)) {
    return Fail(PROGRAM, EXIT_USAGE,
                "--output " + PrintableText(OutputPath) + " is the --pe32 input");
  }
  std::optional<std::vector<uint8_t>> Image = ReadInputFile(ImagePath, Problem);
  if (!Image) {
    return Fail(PROGRAM, EXIT_REFUSED, PrintableText(ImagePath) + ": " + Problem);
  }
  Parts.Image = std::move(*Image);
  const std::optional<std::vector<uint8_t>> File = PeimFile(Parts, Problem);
  if (!File) {
    return Fail(PROGRAM, EXIT_REFUSED, "refusing " + PrintableText(ImagePath) + ": " + Problem);
  }
  std::ofstream Output(OutputPath, std::ios::binary | std::ios::trunc);
  Output.write(reinterpret_cast<const char *>(File->data()),
               static_cast<std::streamsize>(File->size()));
  Output.close();
  if (!Output) {
    return Fail(PROGRAM, EXIT_REFUSED, "cannot write " + PrintableText(OutputPath));
  }
  return 0;
}

} // namespace

int main(int Argc, char **Argv) {
  return GuardedMain(PROGRAM, EXIT_REFUSED, Run, Argc, Argv);
}
