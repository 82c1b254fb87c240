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

#include <MessageText.h>

#include <CLI/CLI.hpp>

#include <fstream>
#include <iostream>

using namespace TolvernInspect;
using namespace HostTools;

namespace {

constexpr const char *PROGRAM = "tolvern-inspect";

enum EXIT_CODE {
  EXIT_OK = 0,
  EXIT_IMAGE_REJECTED = 1, // unreadable, not an IA32 PE32 image, or no flash map in it
  EXIT_USAGE = 2,
  EXIT_CHECKS_FAILED = 3, // the record was found and breaks its invariants
  EXIT_OUTPUT_FAILED = 4,
  EXIT_VOLUME_DAMAGED = 5, // a firmware volume in a flash dump breaks a rule
  EXIT_DUMP_MISMATCH = 6,  // the dump does not lie as its published map says
};

int Fail(EXIT_CODE Code, const std::string &Message) {
  std::cerr << PROGRAM << ": " << INSPECT_ERROR(Message).what() << '\n';
  return Code;
}

std::string FirstFailure(const std::vector<CHECK_RESULT> &Checks) {
  for (const CHECK_RESULT &Check : Checks) {
    if (!Check.Passed) {
      return Check.Name + ": " + Check.Detail;
    }
  }
  return "";
}

void WriteFile(const std::string &Path, const std::string &Content) {
  std::ofstream File(Path, std::ios::binary);
  File << Content;
  File.close();
  if (!File) {
    throw INSPECT_ERROR("cannot write " + Path);
  }
}

int Run(const std::string &ImagePath, bool Json, const std::string &SvgPath) {
  INSPECTION Inspection;
  try {
    Inspection = Inspect(ImagePath);
  } catch (const INSPECT_ERROR &Error) {
    return Fail(EXIT_IMAGE_REJECTED, ImagePath + ": " + Error.what());
  }
  const bool Dump = Inspection.Dump != nullptr;
  std::cout << (Json   ? JsonReport(Inspection)
                : Dump ? DumpTable(Inspection)
                       : TableReport(Inspection))
            << std::flush;
  if (const HostTools::FIRMWARE_VOLUME *Damaged = DamagedVolume(Inspection)) {
    return Fail(EXIT_VOLUME_DAMAGED, ImagePath + ": volume at " +
                                         Hex32(Inspection.Dump->Base + Damaged->Offset) + ": " +
                                         ProblemText(*Damaged));
  }
  if (!Inspection.MapFound) {
    return Fail(EXIT_IMAGE_REJECTED, ImagePath + ": no PEIM in it publishes the flash map");
  }

  const bool Sound = AllPassed(Inspection.Checks);
  if (!Sound) {
    return Fail(EXIT_CHECKS_FAILED, ImagePath + ": flash map record at " +
                                        Hex32(Inspection.Found.RecordAddress) + " breaks " +
                                        FirstFailure(Inspection.Checks) +
                                        (SvgPath.empty() ? "" : " (no SVG drawn)"));
  }
  if (Dump && !AllPassed(Inspection.Dump->CrossChecks)) {
    return Fail(EXIT_DUMP_MISMATCH, ImagePath + ": the flash image does not match its map: " +
                                        FirstFailure(Inspection.Dump->CrossChecks) +
                                        (SvgPath.empty() ? "" : " (no SVG drawn)"));
  }
  if (!SvgPath.empty()) {
    try {
      WriteFile(SvgPath, SvgReport(Inspection));
    } catch (const INSPECT_ERROR &Error) {
      return Fail(EXIT_OUTPUT_FAILED, Error.what());
    }
  }
  return EXIT_OK;
}

} // namespace

int main(int Argc, char **Argv) {
  try {
    CLI::App App{"Finds, checks and shows the flash map a Tolvern firmware image publishes.\n"
                 "Exit codes: 0 sound, 1 image rejected, 2 usage, 3 record breaks its "
                 "invariants, 4 output not written, 5 a volume in a flash image is damaged, 6 "
                 "the flash image does not match its map.",
                 PROGRAM};
    std::string ImagePath;
    bool Json = false;
    std::string SvgPath;
    App.add_option("image", ImagePath,
                   "IA32 PE32 firmware image (TolvernImage.efi), or a flash image or dump")
        ->required();
    App.add_flag("--json", Json, "print JSON instead of the table");
    App.add_option("--svg", SvgPath, "also draw the flash device to scale into this SVG file");
    try {
      App.parse(Argc, Argv);
    } catch (const CLI::CallForHelp &) {
      std::cout << App.help();
      return EXIT_OK;
    } catch (const CLI::ParseError &Error) {
      return Fail(EXIT_USAGE, std::string(Error.what()) + " (try --help)");
    }
    return Run(ImagePath, Json, SvgPath);
  } catch (const std::exception &Error) {
    return Fail(EXIT_IMAGE_REJECTED, Error.what());
  } catch (...) {
    return Fail(EXIT_IMAGE_REJECTED, "unexpected failure");
  }
}
