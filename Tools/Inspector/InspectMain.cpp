// tolvern-inspect IMAGE [--json] [--svg FILE]
// Prints the flash map a Tolvern image publishes. Every failure is one line on
// stderr and a non-zero exit; the program never lets an exception escape.
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
    Inspection = InspectImage(ImagePath);
  } catch (const INSPECT_ERROR &Error) {
    return Fail(EXIT_IMAGE_REJECTED, ImagePath + ": " + Error.what());
  }
  std::cout << (Json ? JsonReport(Inspection) : TableReport(Inspection)) << std::flush;

  const bool Sound = AllPassed(Inspection.Checks);
  if (!Sound) {
    return Fail(EXIT_CHECKS_FAILED, ImagePath + ": flash map record at " +
                                        Hex32(Inspection.Found.RecordAddress) + " breaks " +
                                        FirstFailure(Inspection.Checks) +
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
                 "invariants, 4 output not written.",
                 PROGRAM};
    std::string ImagePath;
    bool Json = false;
    std::string SvgPath;
    App.add_option("image", ImagePath, "IA32 PE32 firmware image (TolvernImage.efi)")->required();
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
