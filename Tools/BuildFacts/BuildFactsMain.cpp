// tolvern-build-facts: what the firmware build needs to know about the
// images it links and the volume they run in, computed by the host tools'
// own readers and writers so that the build only takes the answer.
#include "PeimBase.h"
#include "SizeReport.h"
#include "SymbolBase.h"
#include "WritableData.h"

#include <CommandLine.h>
#include <DependencyText.h>
#include <Guid.h>
#include <InputFile.h>
#include <MessageText.h>

#include <fstream>
#include <iostream>

using namespace BuildFacts;
using namespace HostTools;

namespace {

constexpr const char *PROGRAM = "tolvern-build-facts";
// An input unreadable or unsuitable, writable data in the image, or no output written.
constexpr int EXIT_REFUSED = 1;

struct OPTIONS {
  std::string Image, Map, Output;
  std::string SectionAlignment, VolumeBase, Name, Depex, Guid;
};

int Refuse(const std::string &Path, const std::string &Problem) {
  return Fail(PROGRAM, EXIT_REFUSED, PrintableText(Path) + ": " + Problem);
}

// "/base:0x..." for lld-link, as a response file.
int WriteBase(const std::string &Path, uint32_t Base) {
  std::ofstream Output(Path, std::ios::trunc);
  Output << "/base:" << Hex32(Base) << "\n";
  Output.close();
  return Output ? 0 : Fail(PROGRAM, EXIT_REFUSED, "cannot write " + PrintableText(Path));
}

std::optional<std::vector<MAP_LINE>> ReadMap(const std::string &Path, std::string &Problem) {
  const std::optional<std::vector<uint8_t>> Bytes = ReadInputFile(Path, Problem);
  if (!Bytes) {
    return std::nullopt;
  }
  return ReadLinkerMap(
      std::string_view(reinterpret_cast<const char *>(Bytes->data()), Bytes->size()));
}

int SymbolBase(const OPTIONS &Options) {
  std::string Problem;
  const std::optional<uint64_t> Alignment =
      NumberOption("--section-alignment", Options.SectionAlignment, 1, UINT32_MAX, Problem);
  if (!Alignment) {
    return Fail(PROGRAM, EXIT_USAGE, Problem);
  }
  if (IsSameFile(Options.Image, Options.Output)) {
    return Fail(PROGRAM, EXIT_USAGE, "-o " + PrintableText(Options.Output) + " is the image");
  }
  const std::optional<PE_FILE> Image = OpenPeFile(Options.Image, Problem);
  const std::optional<uint32_t> Base =
      Image ? SymbolFileBase(*Image, static_cast<uint32_t>(*Alignment), Problem) : std::nullopt;
  return Base ? WriteBase(Options.Output, *Base) : Refuse(Options.Image, Problem);
}

int PeimBase(const OPTIONS &Options) {
  std::string Problem;
  const std::optional<uint64_t> VolumeBase =
      NumberOption("--volume-base", Options.VolumeBase, 0, UINT32_MAX, Problem);
  if (!VolumeBase) {
    return Fail(PROGRAM, EXIT_USAGE, Problem);
  }
  TolvernFlash::PEIM_FILE_PARTS Parts;
  Parts.UserInterfaceName = Options.Name;
  if (!Options.Guid.empty()) {
    const std::optional<std::array<uint8_t, 16>> Guid = ParseGuid(Options.Guid);
    if (!Guid) {
      return Fail(PROGRAM, EXIT_USAGE,
                  "--guid: '" + Options.Guid + "' is not a GUID (8-4-4-4-12 hex digits)");
    }
    Parts.Name = *Guid;
  }
  Parts.Dependency = EncodeDependency(Options.Depex, Problem);
  if (!Parts.Dependency) {
    return Fail(PROGRAM, EXIT_USAGE, "--depex: " + Problem);
  }
  const std::optional<uint32_t> Base =
      FirstPeimBase(static_cast<uint32_t>(*VolumeBase), std::move(Parts), Problem);
  return Base ? WriteBase(Options.Output, *Base)
              : Fail(PROGRAM, EXIT_REFUSED, "the PEIM " + Options.Name + ": " + Problem);
}

int SizeReport(const OPTIONS &Options) {
  std::string Problem;
  const std::optional<std::vector<MAP_LINE>> Map = ReadMap(Options.Map, Problem);
  if (!Map) {
    return Refuse(Options.Map, Problem);
  }
  const std::optional<std::vector<uint8_t>> Image = ReadInputFile(Options.Image, Problem);
  if (!Image) {
    return Refuse(Options.Image, Problem);
  }
  const std::optional<std::vector<SIZE_ROW>> Rows = SizeRows(*Map, Image->size(), Problem);
  if (!Rows) {
    return Refuse(Options.Map, Problem);
  }
  std::cout << SizeReportText(Options.Image, Image->size(), *Rows);
  return 0;
}

int NoWritableData(const OPTIONS &Options) {
  std::string Problem;
  const std::optional<std::vector<MAP_LINE>> Map = ReadMap(Options.Map, Problem);
  if (!Map || Map->empty()) {
    return Refuse(Options.Map, Map ? "the map lists nothing" : Problem);
  }
  const std::vector<MAP_LINE> Writable = WritableChunks(*Map);
  if (Writable.empty()) {
    std::cout << Options.Map << ": no writable input section holds anything\n";
    return 0;
  }
  // The one failure that takes more than a line: each chunk the map names.
  Fail(PROGRAM, EXIT_REFUSED,
       "writable data in the image: " + PrintableText(Options.Map) + " lists " +
           std::to_string(Writable.size()) + " non-empty .data or .bss input section(s):");
  for (const MAP_LINE &Line : Writable) {
    std::cerr << PrintableText(Line.Text) << '\n';
  }
  return EXIT_REFUSED;
}

int Run(int Argc, char **Argv) {
  CLI::App App{"Computes facts the firmware build needs about the images it links.\n"
               "Exit codes: 0 done, 1 refused (an input unreadable or unsuitable, writable data "
               "in the image, or no output written), 2 usage.",
               PROGRAM};
  App.require_subcommand(1);
  OPTIONS Options;
  CLI::App *Symbol = App.add_subcommand(
      "symbol-base", "Writes \"/base:0x...\" for lld-link: the base at which an image's symbol "
                     "copy, aligned to --section-alignment, has its first section where the "
                     "image has it.");
  Symbol->add_option("IMAGE", Options.Image, "the IA32 PE32 image")->required();
  Symbol
      ->add_option("--section-alignment", Options.SectionAlignment, "the copy's section alignment")
      ->required();
  Symbol->add_option("-o", Options.Output, "the response file to write")->required();
  CLI::App *Peim = App.add_subcommand(
      "peim-base", "Writes \"/base:0x...\" for lld-link: where the PE32 data of a PEIM lands as "
                   "the first file of a firmware volume at --volume-base, laid out as "
                   "tolvern-flash does.");
  Peim->add_option("--volume-base", Options.VolumeBase, "the volume's address")->required();
  Peim->add_option("--name", Options.Name, "the PEIM's user-interface name")->required();
  Peim->add_option("--depex", Options.Depex,
                   "its dependency expression, e.g. \"PUSH flash-map END\"")
      ->required();
  Peim->add_option("--guid", Options.Guid, "the file's name, a GUID (no effect on the address)");
  Peim->add_option("-o", Options.Output, "the response file to write")->required();
  CLI::App *Size = App.add_subcommand(
      "size-report", "Prints where the bytes of an image go, read from lld-link's map.");
  Size->add_option("MAP", Options.Map, "the image's map (/lldmap)")->required();
  Size->add_option("IMAGE", Options.Image, "the image")->required();
  CLI::App *Writable = App.add_subcommand(
      "no-writable-data", "Checks that no non-empty .data or .bss input section went into an "
                          "image (exit 1, listing them, if one did).");
  Writable->add_option("MAP", Options.Map, "the image's map (/lldmap)")->required();
  if (std::optional<int> Stop = ParseCommandLine(App, Argc, Argv)) {
    return *Stop;
  }
  if (Symbol->parsed()) {
    return SymbolBase(Options);
  }
  if (Peim->parsed()) {
    return PeimBase(Options);
  }
  return Size->parsed() ? SizeReport(Options) : NoWritableData(Options);
}

} // namespace

int main(int Argc, char **Argv) {
  return GuardedMain(PROGRAM, EXIT_REFUSED, Run, Argc, Argv);
}
