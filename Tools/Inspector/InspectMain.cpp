// tolvern-inspect IMAGE [--json] [--svg FILE]
// Prints the flash map a Tolvern image publishes; given a flash image or dump
// instead, its firmware volumes too, checked against that map. Every failure
// is one line on stderr and a non-zero exit; the program never lets an
// exception escape.
#include "DumpTable.h"
#include "InspectError.h"
#include "Inspection.h"
#include "JsonReport.h"
#include "SvgReport.h"
#include "TableReport.h"

#include <CommandLine.h>
#include <InputFile.h>
#include <MessageText.h>

#include <fstream>
#include <iostream>

using namespace TolvernInspect;
using namespace HostTools;

namespace {

constexpr const char *PROGRAM = "tolvern-inspect";

enum EXIT_CODE {
  EXIT_OK = 0,
  EXIT_IMAGE_REJECTED = 1, // unreadable, not an IA32 PE32 image, or no flash map in it
  EXIT_CHECKS_FAILED = 3,  // the record was found and breaks its invariants
  EXIT_OUTPUT_FAILED = 4,
  EXIT_VOLUME_DAMAGED = 5, // a firmware volume in a flash dump breaks a rule
  EXIT_DUMP_MISMATCH = 6,  // the dump does not lie as its published map says
  EXIT_NOT_RUNNABLE = 7,   // the record was found, but the image cannot run in place
};
static_assert(HostTools::EXIT_USAGE == 2, "usage errors exit 2, as in every tool");

std::string FirstFailure(const std::vector<CHECK_RESULT> &Checks) {
  for (const CHECK_RESULT &Check : Checks) {
    if (!Check.Passed) {
      return Check.Name + ": " + Check.Detail;
    }
  }
  return "";
}

bool WriteFile(const std::string &Path, const std::string &Content) {
  std::ofstream File(Path, std::ios::binary);
  File << Content;
  File.close();
  return static_cast<bool>(File);
}

int Run(const std::string &ImagePath, bool Json, const std::string &SvgPath) {
  const std::string Shown = PrintableText(ImagePath);
  if (!SvgPath.empty() && IsSameFile(ImagePath, SvgPath)) {
    return Fail(PROGRAM, EXIT_USAGE, "--svg " + PrintableText(SvgPath) + " is the image itself");
  }
  INSPECTION Inspection;
  try {
    Inspection = Inspect(ImagePath);
  } catch (const INSPECT_ERROR &Error) {
    return Fail(PROGRAM, EXIT_IMAGE_REJECTED, Shown + ": " + Error.what());
  }
  const bool Dump = Inspection.Dump != nullptr;
  std::cout << (Json   ? JsonReport(Inspection)
                : Dump ? DumpTable(Inspection)
                       : TableReport(Inspection))
            << std::flush;
  const std::string NoSvg = SvgPath.empty() ? "" : " (no SVG drawn)";
  if (const HostTools::FIRMWARE_VOLUME *Damaged = DamagedVolume(Inspection)) {
    return Fail(PROGRAM, EXIT_VOLUME_DAMAGED,
                Shown + ": volume at " + Hex32(Inspection.Dump->Base + Damaged->Offset) + ": " +
                    ProblemText(*Damaged));
  }
  if (!Inspection.MapFound) {
    return Fail(PROGRAM, EXIT_IMAGE_REJECTED, Shown + ": no PEIM in it publishes the flash map");
  }
  if (Inspection.RunInPlaceProblem) {
    return Fail(PROGRAM, EXIT_NOT_RUNNABLE,
                Shown + ": cannot run in place: " + *Inspection.RunInPlaceProblem + NoSvg);
  }
  if (!AllPassed(Inspection.Checks)) {
    return Fail(PROGRAM, EXIT_CHECKS_FAILED,
                Shown + ": flash map record at " + Hex32(Inspection.Found.RecordAddress) +
                    " breaks " + FirstFailure(Inspection.Checks) + NoSvg);
  }
  if (Dump && !AllPassed(Inspection.Dump->CrossChecks)) {
    return Fail(PROGRAM, EXIT_DUMP_MISMATCH,
                Shown + ": the flash image does not match its map: " +
                    FirstFailure(Inspection.Dump->CrossChecks) + NoSvg);
  }
  if (!SvgPath.empty() && !WriteFile(SvgPath, SvgReport(Inspection))) {
    return Fail(PROGRAM, EXIT_OUTPUT_FAILED, "cannot write " + PrintableText(SvgPath));
  }
  return EXIT_OK;
}

int Main(int Argc, char **Argv) {
  CLI::App App{"Finds, checks and shows the flash map a Tolvern firmware image publishes, in the "
               "image or in a flash image or dump.\n"
               "Exit codes: 0 sound, 1 image rejected, 2 usage, 3 record breaks its "
               "invariants, 4 output not written, 5 a volume in a flash image is damaged, 6 "
               "the flash image does not match its map, 7 the image cannot run in place.",
               PROGRAM};
  std::string ImagePath;
  bool Json = false;
  std::string SvgPath;
  App.add_option("image", ImagePath,
                 "IA32 PE32 firmware image (TolvernImage.efi), or a flash image or dump")
      ->required();
  App.add_flag("--json", Json, "print JSON instead of the table");
  App.add_option("--svg", SvgPath, "also draw the flash device to scale into this SVG file");
  if (std::optional<int> Stop = ParseCommandLine(App, Argc, Argv)) {
    return *Stop;
  }
  return Run(ImagePath, Json, SvgPath);
}

} // namespace

int main(int Argc, char **Argv) {
  return GuardedMain(PROGRAM, EXIT_IMAGE_REJECTED, Main, Argc, Argv);
}
