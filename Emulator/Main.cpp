// tolvern-emu: runs the firmware image's PeimEntry in a CPU emulator on a
// simulated board and reports what it did.
#include "BoardScenarios.h"
#include "EmulatedStart.h"
#include "Figures.h"
#include "StartReport.h"

#include <CLI/CLI.hpp>

#include <cstdio>
#include <iostream>
#include <regex>

namespace {

constexpr int kExitReturned = 0;
constexpr int kExitDidNotReturn = 1;
constexpr int kExitUsage = 2;

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
  UINT8 Values[3];
  for (int Index = 0; Index < 3; ++Index) {
    char *End = nullptr;
    const unsigned long Value = std::strtoul(Numbers[Index].c_str(), &End, 0);
    if (*End != '\0' || Value > 0xFF) {
      Error = "'" + Text + "': '" + Numbers[Index] + "' is not a byte";
      return false;
    }
    Values[Index] = static_cast<UINT8>(Value);
  }
  Board.SioRegisters[Values[0]][Values[1]] = Values[2];
  return true;
}

} // namespace

int main(int argc, char **argv) {
  CLI::App App{"Runs the IA32 firmware image's PeimEntry in a CPU emulator against the simulated "
               "board and reports the status, UART output, installed PPI and flash map."};
  std::string ImagePath;
  std::string FailingImagePath;
  UINT64 Base = 0;
  UINT64 MaxInstructions = EMULATOR_DEFAULT_MAX_INSTRUCTIONS;
  UINT32 InstallStatus = 0;
  bool Json = false;
  bool WithTrace = false;
  bool Figures = false;
  unsigned Cmos = 0;
  bool UartConfigured = false;
  bool Configured = false;
  unsigned UartLcr = 0;
  unsigned UartDivisor = 0;
  bool FifosOn = false;
  bool FifosOff = false;
  UINT32 BusyReads = 0;
  unsigned IirBits = 0;
  bool NeverEmpties = false;
  std::vector<std::string> SioActivate;
  std::vector<std::string> SioRegisters;

  App.add_option("image", ImagePath,
                 "PE32 firmware image (e.g. build/main/firmware/TolvernImage.efi)")
      ->required()
      ->check(CLI::ExistingFile);
  CLI::Option *BaseOption =
      App.add_option("--base", Base, "load address (default: the image's link base)");
  App.add_option("--install-status", InstallStatus,
                 "status InstallPpi returns, e.g. 0x8000000E (default 0, success)");
  App.add_option("--max-instructions", MaxInstructions,
                 "instruction budget before the run is stopped as a runaway")
      ->check(CLI::PositiveNumber);
  App.add_flag("--json", Json, "report as JSON");
  App.add_flag("--trace", WithTrace, "include the port trace");
  App.add_flag("--figures", Figures,
               "measure instructions and stack on the standard board states and check the goals");
  App.add_option("--failing-image", FailingImagePath,
                 "with --figures: the image built with a failing constructor")
      ->check(CLI::ExistingFile);

  auto *Board = App.add_option_group("board", "hardware scenario");
  Board->add_option("--cmos", Cmos, "CMOS register 0x6F (baud select in bits 5..4)")
      ->check(CLI::Range(0, 255));
  Board->add_flag("--configured", Configured,
                  "a board a previous stage set up: UART configured, both super I/O UARTs active");
  Board->add_flag("--uart-configured", UartConfigured,
                  "UART already at 8-N-1 with the CMOS-selected divisor, FIFOs on");
  Board->add_option("--uart-lcr", UartLcr, "UART line control register at start")
      ->check(CLI::Range(0, 255));
  Board->add_option("--uart-divisor", UartDivisor, "UART divisor latch at start")
      ->check(CLI::Range(0, 0xFFFF));
  Board->add_flag("--uart-fifos-on", FifosOn, "UART FIFOs enabled at start");
  Board->add_flag("--fifos-off", FifosOff, "the UART's FIFOs cannot be enabled");
  Board->add_option("--uart-busy-reads", BusyReads,
                    "line status reads showing a busy transmitter, per wait");
  Board->add_flag("--uart-never-empties", NeverEmpties, "the transmitter never shows empty");
  Board
      ->add_option("--uart-iir-bits", IirBits,
                   "UART IIR bits 5..1 as read, e.g. 0x20 (bits 0 and 7..6 follow the model)")
      ->check(CLI::Range(0, 0x3E));
  Board->add_option("--sio-activate", SioActivate,
                    "super I/O activate register of a logical device: DEVICE=VALUE, e.g. 3=0x01");
  Board->add_option("--sio", SioRegisters,
                    "any super I/O register: DEVICE:REGISTER=VALUE, e.g. 0x11:0xF0=0x06");

  CLI11_PARSE(App, argc, argv);

  std::string Error;
  std::optional<PE_IMAGE> Image = LoadPeImageFile(ImagePath, Error);
  if (!Image) {
    std::cerr << "tolvern-emu: " << Error << "\n";
    return kExitUsage;
  }

  if (Figures) {
    std::optional<PE_IMAGE> Failing;
    if (!FailingImagePath.empty()) {
      Failing = LoadPeImageFile(FailingImagePath, Error);
      if (!Failing) {
        std::cerr << "tolvern-emu: " << Error << "\n";
        return kExitUsage;
      }
    }
    const FIGURES_REPORT Report = MeasureFigures(*Image, Failing ? &*Failing : nullptr);
    std::cout << "Figures for " << ImagePath << "\n" << Report.Text;
    return Report.AllReturned ? kExitReturned : kExitDidNotReturn;
  }

  if (Base > 0xFFFFFFFFull) {
    std::cerr << "tolvern-emu: --base must be a 32-bit address\n";
    return kExitUsage;
  }
  START_OPTIONS Options;
  Options.Base = BaseOption->count() != 0 ? static_cast<UINT32>(Base) : Image->LinkBase;
  Options.InstallPpiStatus = InstallStatus;
  Options.MaxInstructions = MaxInstructions;
  Options.Board = FreshBoard(static_cast<UINT8>(Cmos));
  if (UartConfigured || Configured) {
    ConfigureUart(Options.Board);
  }
  if (Configured) {
    ActivateSioUarts(Options.Board);
  }
  if (Board->get_option("--uart-lcr")->count() != 0) {
    Options.Board.UartLcr = static_cast<UINT8>(UartLcr);
  }
  if (Board->get_option("--uart-divisor")->count() != 0) {
    Options.Board.UartDivisor = static_cast<UINT16>(UartDivisor);
  }
  Options.Board.UartFifosEnabled = Options.Board.UartFifosEnabled || FifosOn;
  Options.Board.UartFifosBroken = FifosOff;
  Options.Board.UartBusyReads = NeverEmpties ? 0xFFFFFFFFu : BusyReads;
  Options.Board.UartIirOtherBits = static_cast<UINT8>(IirBits);
  for (const std::string &Setting : SioActivate) {
    if (!ParseSioSetting(Setting, true, Options.Board, Error)) {
      std::cerr << "tolvern-emu: --sio-activate " << Error << "\n";
      return kExitUsage;
    }
  }
  for (const std::string &Setting : SioRegisters) {
    if (!ParseSioSetting(Setting, false, Options.Board, Error)) {
      std::cerr << "tolvern-emu: --sio " << Error << "\n";
      return kExitUsage;
    }
  }

  std::optional<EMULATED_START> Start = StartImageOnBoard(*Image, Options, Error);
  if (!Start) {
    std::cerr << "tolvern-emu: " << Error << "\n";
    return kExitUsage;
  }
  const REPORT_OPTIONS Report{ImagePath, Image->LinkBase, WithTrace ? TRUE : FALSE};
  if (Json) {
    std::cout << StartReportJson(*Start, Report)
                     .dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace)
              << "\n";
  } else {
    std::cout << FormatStartReport(*Start, Report);
  }
  return Start->Run.End == RUN_END::Returned ? kExitReturned : kExitDidNotReturn;
}
