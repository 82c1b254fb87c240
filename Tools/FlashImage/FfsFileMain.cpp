// tolvern-ffs: wraps a PEIM's PE32 image into a firmware file (type PEIM:
// dependency expression, user-interface name, PE32 image) for a volume of
// flash that erases to 0xFF. Every failure is one line on stderr; exit status
// 1 for a refused input or output, 2 for a usage error.
#include "PeimFile.h"

#include <DependencyText.h>
#include <Guid.h>

#include <CLI/CLI.hpp>

#include <fstream>
#include <iostream>
#include <iterator>

using namespace TolvernFlash;
using namespace HostTools;

namespace {

constexpr const char *PROGRAM = "tolvern-ffs";

int Fail(int Code, const std::string &Message) {
  std::cerr << PROGRAM << ": " << Message << '\n';
  return Code;
}

int Run(const std::string &ImagePath, const std::string &GuidText, const std::string &Name,
        const std::string &DependencyText, const std::string &OutputPath) {
  PEIM_FILE_PARTS Parts;
  const std::optional<std::array<uint8_t, 16>> Guid = ParseGuid(GuidText);
  if (!Guid) {
    return Fail(2, "--guid: '" + GuidText + "' is not a GUID (8-4-4-4-12 hex digits)");
  }
  Parts.Name = *Guid;
  Parts.UserInterfaceName = Name;
  std::string Problem;
  if (!DependencyText.empty()) {
    Parts.Dependency = EncodeDependency(DependencyText, Problem);
    if (!Parts.Dependency) {
      return Fail(2, "--depex: " + Problem);
    }
  }
  std::ifstream Image(ImagePath, std::ios::binary);
  if (!Image) {
    return Fail(1, "cannot read " + ImagePath);
  }
  Parts.Image.assign(std::istreambuf_iterator<char>(Image), std::istreambuf_iterator<char>());
  const std::optional<std::vector<uint8_t>> File = PeimFile(Parts, Problem);
  if (!File) {
    return Fail(1, "refusing " + ImagePath + ": " + Problem);
  }
  std::ofstream Output(OutputPath, std::ios::binary | std::ios::trunc);
  Output.write(reinterpret_cast<const char *>(File->data()),
               static_cast<std::streamsize>(File->size()));
  Output.close();
  if (!Output) {
    return Fail(1, "cannot write " + OutputPath);
  }
  return 0;
}

} // namespace

int main(int Argc, char **Argv) {
  try {
    CLI::App App{"Wraps a PEIM's PE32 image into a firmware file of type PEIM.", PROGRAM};
    std::string ImagePath, Guid, Name, Dependency, OutputPath;
    App.add_option("--pe32", ImagePath, "the PEIM's IA32 PE32 image")->required();
    App.add_option("--guid", Guid, "the file's name, a GUID")->required();
    App.add_option("--name", Name, "its user-interface name")->required();
    App.add_option("--depex", Dependency,
                   "its dependency expression, e.g. \"TRUE END\" or \"PUSH flash-map END\" "
                   "(without one it is dispatched at once)");
    App.add_option("--output", OutputPath, "the firmware file to write")->required();
    try {
      App.parse(Argc, Argv);
    } catch (const CLI::CallForHelp &) {
      std::cout << App.help();
      return 0;
    } catch (const CLI::ParseError &Error) {
      return Fail(2, std::string(Error.what()) + " (try --help)");
    }
    return Run(ImagePath, Guid, Name, Dependency, OutputPath);
  } catch (const std::exception &Error) {
    return Fail(1, Error.what());
  }
}
