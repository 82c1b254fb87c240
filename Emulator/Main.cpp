// tolvern-emu: runs the firmware image's PeimEntry in a CPU emulator on a
// simulated board and reports what it did.
#include "BoardScenarios.h"
#include "EmulatedStart.h"
#include "Figures.h"
#include "StartReport.h"

#include <CommandLine.h>
#include <MessageText.h>

#include <array>
#include <cstdio>
#include <iostream>
#include <regex>

using namespace TolvernEmu;
using namespace HostTools;

namespace {

constexpr const char *PROGRAM = "tolvern-emu";
constexpr int EXIT_RETURNED = 0;
constexpr int EXIT_DID_NOT_RETURN = 1; // stopped, or --figures found a goal missed
constexpr int EXIT_DEAD_LOOP = 3;      // stopped in a loop that never ends, e.g. an assertion's
static_assert(HostTools::EXIT_USAGE == 2, "usage errors and bad files exit 2");

// Far beyond any start-up (a few thousand instructions), short of hours of emulation.
constexpr uint64_t LARGEST_BUDGET = 1000000000000ull;

// "3=0x01" (logical device 3, activate register) or "3:0xF0=0x06" (any register).
bool ParseSioSetting(const std::string &Text, bool ActivateOnly, BOARD_SETUP &Board,
                     std::string &Error) {
  static const std::regex Activate(R"(^\s*(\w+)\s*=\s*(\w+)\s*$)");
  static const std::regex Register(R"(^\s*(\w+)\s*:\s*(\w+)\s*=\s*(\w+)\s*$)");
  std::smatch Match;
  std::vector<std::string> Numbers;
  if (ActivateOnly && std::regex_match(Text, Match, Activate)) {
    Numbers = {Match[1], std::to_string(SIO_ACTIVATE_REGISTER), Match[2]};
  } else if (!ActivateOnly && std::regex_match(Text, Match, Register)) {
    Numbers = {Match[1], Match[2], Match[3]};
  } else {
    Error = "'" + Text + "': expected " + (ActivateOnly ? "DEVICE=VALUE" : "DEVICE:REGISTER=VALUE");
    return false;
  }
  uint8_t Values[3];
  for (int Index = 0; Index < 3; ++Index) {
    const std::optional<uint64_t> Value = ParseNumber(Numbers[Index], 0, 0xFF);
    if (!Value) {
      Error = "'" + Text + "': '" + Numbers[Index] + "' is not a byte";
      return false;
    }
    Values[Index] = static_cast<uint8_t>(*Value);
  }
  Board.SioRegisters[Values[0]][Values[1]] = Values[2];
  return true;
}

// The IIR bits a board may be given: bit 0 (no interrupt pending) and bits
// 7..6 (FIFOs on) are the UART model's to set.
constexpr uint64_t UART_IIR_OPTION_BITS = 0x3E;

// The numbers of the command line, as text until they are checked.
struct NUMBER_OPTION {
  const char *Name;
  const char *Help;
  bool Board; // shown with the hardware scenario
  uint64_t Max;
  uint64_t Min = 0;
  uint64_t Bits = 0; // when not 0, the only bits a value may set
  std::string Text = "";
};

enum NUMBER : size_t {
  BASE,
  INSTALL_STATUS,
  MAX_INSTRUCTIONS,
  CMOS,
  UART_LCR,
  UART_DIVISOR,
  UART_BUSY_READS,
  UART_IIR_BITS,
  NUMBER_COUNT
};

// Each number once checked; nothing where the option was not given.
using NUMBER_VALUES = std::array<std::optional<uint64_t>, NUMBER_COUNT>;

// What the command line asks for.
struct COMMAND_LINE {
  std::string ImagePath;
  std::string FailingImagePath;
  bool Json = false;
  bool WithTrace = false;
  bool Figures = false;
  bool UartConfigured = false;
  bool Configured = false;
  bool FifosOn = false;
  bool FifosOff = false;
  bool NeverEmpties = false;
  std::vector<std::string> SioActivate;
  std::vector<std::string> SioRegisters;
  NUMBER_OPTION Numbers[NUMBER_COUNT] = {
      {"--base", "load address (default: the image's link base)", false, 0xFFFFFFFF},
      {"--install-status", "status InstallPpi returns, e.g. 0x8000000E (default 0, success)", false,
       0xFFFFFFFF},
      {"--max-instructions",
       "instruction budget before the run is stopped as a runaway (default 1000000)", false,
       LARGEST_BUDGET, 1},
      {"--cmos", "CMOS register 0x6F (baud select in bits 5..4)", true, 0xFF},
      {"--uart-lcr", "UART line control register at start", true, 0xFF},
      {"--uart-divisor", "UART divisor latch at start", true, 0xFFFF},
      {"--uart-busy-reads", "line status reads showing a busy transmitter, per wait", true,
       0xFFFFFFFF},
      {"--uart-iir-bits",
       "UART IIR bits 5..1 as read, e.g. 0x20 (bits 0 and 7..6 follow the model)", true, 0xFF, 0,
       UART_IIR_OPTION_BITS},
  };
};

void DeclareOptions(CLI::App &App, COMMAND_LINE &Line) {
  App.add_option("image", Line.ImagePath,
                 "PE32 firmware image (e.g. build/main/firmware/TolvernImage.efi)")
      ->required();
  App.add_flag("--json", Line.Json, "report as JSON");
  App.add_flag("--trace", Line.WithTrace, "include the port trace");
  App.add_flag("--figures", Line.Figures,
               "measure instructions and stack on the standard board states and check the goals");
  App.add_option("--failing-image", Line.FailingImagePath,
                 "with --figures: the image built with a failing constructor");
  auto *Board = App.add_option_group("board", "hardware scenario");
  for (NUMBER_OPTION &Number : Line.Numbers) {
    (Number.Board ? static_cast<CLI::App *>(Board) : &App)
        ->add_option(Number.Name, Number.Text, Number.Help);
  }
  Board->add_flag("--configured", Line.Configured,
                  "a board a previous stage set up: UART configured, both super I/O UARTs active");
  Board->add_flag("--uart-configured", Line.UartConfigured,
                  "UART already at 8-N-1 with the CMOS-selected divisor, FIFOs on");
  Board->add_flag("--uart-fifos-on", Line.FifosOn, "UART FIFOs enabled at start");
  Board->add_flag("--fifos-off", Line.FifosOff, "the UART's FIFOs cannot be enabled");
  Board->add_flag("--uart-never-empties", Line.NeverEmpties, "the transmitter never shows empty");
  Board->add_option("--sio-activate", Line.SioActivate,
                    "super I/O activate register of a logical device: DEVICE=VALUE, e.g. 3=0x01");
  Board->add_option("--sio", Line.SioRegisters,
                    "any super I/O register: DEVICE:REGISTER=VALUE, e.g. 0x11:0xF0=0x06");
}

std::optional<uint64_t> CheckNumber(const NUMBER_OPTION &Number, std::string &Error) {
  const std::optional<uint64_t> Value =
      NumberOption(Number.Name, Number.Text, Number.Min, Number.Max, Error);
  if (Value && Number.Bits != 0 && (*Value & ~Number.Bits) != 0) {
    char Mask[24];
    std::snprintf(Mask, sizeof Mask, "0x%llX", static_cast<unsigned long long>(Number.Bits));
    Error =
        std::string(Number.Name) + ": '" + Number.Text + "' sets a bit outside the mask " + Mask;
    return std::nullopt;
  }
  return Value;
}

// Every number given, checked against its range in the order of NUMBER.
bool CheckNumbers(const COMMAND_LINE &Line, NUMBER_VALUES &Values, std::string &Error) {
  for (size_t Index = 0; Index < NUMBER_COUNT; ++Index) {
    if (Line.Numbers[Index].Text.empty()) {
      continue;
    }
    Values[Index] = CheckNumber(Line.Numbers[Index], Error);
    if (!Values[Index]) {
      return false;
    }
  }
  return true;
}

// --figures: the image (and the failing one, if given) on the standard boards.
int ReportFigures(const COMMAND_LINE &Line, const LOADABLE_IMAGE &Image) {
  std::string Error;
  std::optional<LOADABLE_IMAGE> Failing;
  if (!Line.FailingImagePath.empty()) {
    Failing = LoadImageFile(Line.FailingImagePath, Error);
    if (!Failing) {
      return Fail(PROGRAM, EXIT_USAGE, Error);
    }
  }
  const FIGURES_REPORT Report = MeasureFigures(Image, Failing ? &*Failing : nullptr);
  std::cout << "Figures for " << PrintableText(Line.ImagePath) << "\n" << Report.Text;
  return Report.AllReturned && Report.GoalsMet ? EXIT_RETURNED : EXIT_DID_NOT_RETURN;
}

// The board the options describe: a fresh or configured board, then each
// register the command line sets.
bool SetUpBoard(const COMMAND_LINE &Line, const NUMBER_VALUES &Values, BOARD_SETUP &Board,
                std::string &Error) {
  Board = FreshBoard(static_cast<uint8_t>(Values[CMOS].value_or(0)));
  if (Line.UartConfigured || Line.Configured) {
    ConfigureUart(Board);
  }
  if (Line.Configured) {
    ActivateSioUarts(Board);
  }
  Board.UartLcr = static_cast<uint8_t>(Values[UART_LCR].value_or(Board.UartLcr));
  Board.UartDivisor = static_cast<uint16_t>(Values[UART_DIVISOR].value_or(Board.UartDivisor));
  Board.UartFifosEnabled = Board.UartFifosEnabled || Line.FifosOn;
  Board.UartFifosBroken = Line.FifosOff;
  Board.UartBusyReads =
      Line.NeverEmpties ? 0xFFFFFFFFu : static_cast<uint32_t>(Values[UART_BUSY_READS].value_or(0));
  Board.UartIirOtherBits = static_cast<uint8_t>(Values[UART_IIR_BITS].value_or(0));
  for (const std::string &Setting : Line.SioActivate) {
    if (!ParseSioSetting(Setting, true, Board, Error)) {
      Error = "--sio-activate " + Error;
      return false;
    }
  }
  for (const std::string &Setting : Line.SioRegisters) {
    if (!ParseSioSetting(Setting, false, Board, Error)) {
      Error = "--sio " + Error;
      return false;
    }
  }
  return true;
}

// The call into PeimEntry the options describe, on their board.
bool SetUpStart(const COMMAND_LINE &Line, const NUMBER_VALUES &Values, const LOADABLE_IMAGE &Image,
                START_OPTIONS &Options, std::string &Error) {
  Options.Base = static_cast<uint32_t>(Values[BASE].value_or(Image.LinkBase));
  Options.InstallPpiStatus = static_cast<EFI_STATUS>(Values[INSTALL_STATUS].value_or(0));
  Options.MaxInstructions = Values[MAX_INSTRUCTIONS].value_or(EMULATOR_DEFAULT_MAX_INSTRUCTIONS);
  return SetUpBoard(Line, Values, Options.Board, Error);
}

void PrintStartReport(const COMMAND_LINE &Line, const LOADABLE_IMAGE &Image,
                      const EMULATED_START &Start) {
  const REPORT_OPTIONS Report{Line.ImagePath, Image.LinkBase, Line.WithTrace};
  if (Line.Json) {
    std::cout << StartReportJson(Start, Report)
                     .dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace)
              << "\n";
  } else {
    std::cout << FormatStartReport(Start, Report);
  }
}

int Run(int Argc, char **Argv) {
  CLI::App App{"Runs the IA32 firmware image's PeimEntry in a CPU emulator against the simulated "
               "board and reports the status, UART output, installed PPI and flash map.\n"
               "Exit codes: 0 returned, 1 stopped (or a goal missed with --figures), 2 usage "
               "or a file that is no runnable image, 3 stopped in a dead loop (an image built "
               "with TOLVERN_ASSERT_ACTION=deadloop after its report).",
               PROGRAM};
  COMMAND_LINE Line;
  DeclareOptions(App, Line);
  if (std::optional<int> Stop = ParseCommandLine(App, Argc, Argv)) {
    return *Stop;
  }
  std::string Error;
  NUMBER_VALUES Values;
  if (!CheckNumbers(Line, Values, Error)) {
    return Fail(PROGRAM, EXIT_USAGE, Error);
  }
  const std::optional<LOADABLE_IMAGE> Image = LoadImageFile(Line.ImagePath, Error);
  if (!Image) {
    return Fail(PROGRAM, EXIT_USAGE, Error);
  }
  if (Line.Figures) {
    return ReportFigures(Line, *Image);
  }
  START_OPTIONS Options;
  if (!SetUpStart(Line, Values, *Image, Options, Error)) {
    return Fail(PROGRAM, EXIT_USAGE, Error);
  }
  const std::optional<EMULATED_START> Start = StartImageOnBoard(*Image, Options, Error);
  if (!Start) {
    return Fail(PROGRAM, EXIT_USAGE, Error);
  }
  PrintStartReport(Line, *Image, *Start);
  switch (Start->Run.End) {
  case RUN_END::Returned:
    return EXIT_RETURNED;
  case RUN_END::DeadLoop:
    return EXIT_DEAD_LOOP;
  default:
    return EXIT_DID_NOT_RETURN;
  }
}

} // namespace

int main(int Argc, char **Argv) {
  return GuardedMain(PROGRAM, EXIT_DID_NOT_RETURN, Run, Argc, Argv);
}
