// tolvern-log: a board's serial log with each assertion report placed in this
// tree (the site's source file, line and function) and each code address the
// boot platform names resolved through the image's symbol file to function,
// file and line, inlined frames included.
#include "LogAnnotation.h"
#include "LogInput.h"

#include <CommandLine.h>
#include <MessageText.h>

#include <iostream>
#include <unistd.h>

using namespace HostTools;
using namespace TolvernLog;

namespace {

constexpr const char *PROGRAM = "tolvern-log";
// The log could not be opened or read, or an image or the build's images not.
constexpr int EXIT_UNREADABLE = 1;
constexpr uint64_t MAX_TIMEOUT_SECONDS = 86400;

struct OPTIONS {
  std::string Input = "-";
  std::string Device, Baud, Timeout;
  std::string BuildDir = TOLVERN_BUILD_DIR;
  std::string SourceDir = TOLVERN_SOURCE_DIR;
  std::vector<std::string> Images, Symbols;
};

constexpr const char *EXIT_CODES =
    "Exit codes: 0 the log was read to its end (end of file, the "
    "device hung up, or --timeout seconds of silence); 1 the log, "
    "an image or a symbol file could not be opened or read; 2 usage.";

std::optional<std::vector<LINKED_IMAGE>> ReadImages(const OPTIONS &Options, std::string &Problem) {
  if (Options.Images.empty()) {
    return ReadBuildImages(Options.BuildDir, Problem);
  }
  std::vector<LINKED_IMAGE> Images;
  for (size_t Index = 0; Index < Options.Images.size(); ++Index) {
    std::optional<LINKED_IMAGE> Image =
        ReadLinkedImage(Options.Images[Index], Options.Symbols[Index], Problem);
    if (!Image) {
      Problem = PrintableText(Options.Images[Index]) + ": " + Problem;
      return std::nullopt;
    }
    if (access(Options.Symbols[Index].c_str(), R_OK) != 0) {
      Problem = PrintableText(Options.Symbols[Index]) + ": cannot be read";
      return std::nullopt;
    }
    Images.push_back(std::move(*Image));
  }
  return Images;
}

// The input's descriptor, or the exit status of its failure.
std::optional<int> OpenInput(const OPTIONS &Options, uint32_t Baud, int &Status) {
  std::string Problem;
  const std::string &Path = Options.Device.empty() ? Options.Input : Options.Device;
  const std::optional<int> Descriptor = Options.Device.empty()
                                            ? OpenLogFile(Options.Input, Problem)
                                            : OpenSerialDevice(Options.Device, Baud, Problem);
  if (!Descriptor) {
    Status = Fail(PROGRAM, EXIT_UNREADABLE, PrintableText(Path) + ": " + Problem);
  }
  return Descriptor;
}

int Annotated(const OPTIONS &Options, uint32_t Baud, std::optional<int> TimeoutMs) {
  std::string Problem;
  ANNOTATION_CONTEXT Context{Options.SourceDir, {}, NewSymbolizer()};
  std::optional<std::vector<LINKED_IMAGE>> Images = ReadImages(Options, Problem);
  if (!Images) {
    return Fail(PROGRAM, EXIT_UNREADABLE, Problem);
  }
  Context.Images = std::move(*Images);
  int Status = 0;
  const std::optional<int> Descriptor = OpenInput(Options, Baud, Status);
  if (!Descriptor) {
    return Status;
  }
  const LOG_END End = ReadLines(
      *Descriptor, TimeoutMs,
      [&Context](std::string_view Line) {
        std::cout << Line << '\n';
        for (const std::string &Note : Annotate(Context, Line)) {
          std::cout << Note << '\n';
        }
        std::cout.flush();
      },
      Problem);
  if (End == LOG_END::READ_ERROR) {
    const std::string &Path = Options.Device.empty() ? Options.Input : Options.Device;
    return Fail(PROGRAM, EXIT_UNREADABLE, PrintableText(Path) + ": " + Problem);
  }
  return 0;
}

int Run(int Argc, char **Argv) {
  OPTIONS Options;
  CLI::App App("Prints a board's serial log with each assertion report placed in this tree "
               "(source file, line and function of the site) and each code address the boot "
               "platform names (INT3 at, an exception's EIP) resolved through the symbol file of "
               "the image linked there, inlined frames included.",
               PROGRAM);
  App.footer(EXIT_CODES);
  App.add_option("LOG", Options.Input, "the log file, - for standard input (the default)");
  App.add_option("--device", Options.Device,
                 "read live from this serial device (raw, no echo) instead");
  App.add_option("--baud", Options.Baud, "the device's baud rate (with --device; default 115200)");
  App.add_option("--timeout", Options.Timeout,
                 "stop after this many seconds without input (default: wait for the end)");
  App.add_option("--build-dir", Options.BuildDir,
                 "the build whose firmware/ images and symbol files to use (default: the build "
                 "this tool belongs to, " TOLVERN_BUILD_DIR ")");
  App.add_option("--image", Options.Images,
                 "an image to use instead of the build's (repeatable; each with --symbols)")
      ->allow_extra_args(false);
  App.add_option("--symbols", Options.Symbols, "the DWARF symbol file of the --image before it")
      ->allow_extra_args(false);
  App.add_option("--source-dir", Options.SourceDir,
                 "the source tree of the sites (default: the one this tool was built from)");
  if (std::optional<int> Stop = ParseCommandLine(App, Argc, Argv)) {
    return *Stop;
  }
  std::string Problem;
  if (Options.Images.size() != Options.Symbols.size()) {
    return Fail(PROGRAM, EXIT_USAGE, "--image and --symbols come in pairs (see --help)");
  }
  if (!Options.Device.empty() && App.count("LOG") != 0) {
    return Fail(PROGRAM, EXIT_USAGE, "a log file and --device exclude each other");
  }
  if (Options.Device.empty() && !Options.Baud.empty()) {
    return Fail(PROGRAM, EXIT_USAGE, "--baud needs --device");
  }
  const std::optional<uint64_t> Baud =
      Options.Baud.empty() ? 115200 : NumberOption("--baud", Options.Baud, 1, UINT32_MAX, Problem);
  if (!Baud || !IsKnownBaud(static_cast<uint32_t>(*Baud))) {
    return Fail(PROGRAM, EXIT_USAGE,
                Baud ? "--baud " + Options.Baud + ": not a rate a serial device runs at" : Problem);
  }
  std::optional<int> TimeoutMs;
  if (!Options.Timeout.empty()) {
    const std::optional<uint64_t> Seconds =
        NumberOption("--timeout", Options.Timeout, 1, MAX_TIMEOUT_SECONDS, Problem);
    if (!Seconds) {
      return Fail(PROGRAM, EXIT_USAGE, Problem);
    }
    TimeoutMs = static_cast<int>(*Seconds * 1000);
  }
  return Annotated(Options, static_cast<uint32_t>(*Baud), TimeoutMs);
}

} // namespace

int main(int Argc, char **Argv) {
  return GuardedMain(PROGRAM, EXIT_UNREADABLE, Run, Argc, Argv);
}
