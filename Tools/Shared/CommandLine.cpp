#include "CommandLine.h"

#include "MessageText.h"

#include <iostream>

namespace HostTools {

int Fail(const std::string &Program, int Code, const std::string &Message) {
  std::cerr << Program << ": " << OneLine(Message) << '\n';
  return Code;
}

int GuardedMain(const char *Program, int CrashCode, int (*Run)(int, char **), int Argc,
                char **Argv) {
  try {
    return Run(Argc, Argv);
  } catch (const std::exception &Error) {
    return Fail(Program, CrashCode, Error.what());
  } catch (...) {
    return Fail(Program, CrashCode, "unexpected failure");
  }
}

std::optional<int> ParseCommandLine(CLI::App &App, int Argc, char **Argv) {
  try {
    App.parse(Argc, Argv);
  } catch (const CLI::CallForHelp &) {
    std::cout << App.help();
    return 0;
  } catch (const CLI::ParseError &Error) {
    return Fail(App.get_name(), EXIT_USAGE, std::string(Error.what()) + " (see --help)");
  }
  return std::nullopt;
}

std::optional<uint64_t> ParseNumber(const std::string &Text, uint64_t Min, uint64_t Max) {
  const bool Hex = Text.size() > 2 && Text[0] == '0' && (Text[1] == 'x' || Text[1] == 'X');
  const uint64_t Radix = Hex ? 16 : 10;
  const size_t First = Hex ? 2 : 0;
  if (Text.size() == First) {
    return std::nullopt;
  }
  uint64_t Value = 0;
  for (size_t Index = First; Index < Text.size(); ++Index) {
    const char Character = Text[Index];
    uint64_t Digit = Radix;
    if (Character >= '0' && Character <= '9') {
      Digit = static_cast<uint64_t>(Character - '0');
    } else if (Hex && Character >= 'a' && Character <= 'f') {
      Digit = static_cast<uint64_t>(Character - 'a' + 10);
    } else if (Hex && Character >= 'A' && Character <= 'F') {
      Digit = static_cast<uint64_t>(Character - 'A' + 10);
    }
    if (Digit >= Radix || Value > (UINT64_MAX - Digit) / Radix) {
      return std::nullopt;
    }
    Value = Value * Radix + Digit;
  }
  if (Value < Min || Value > Max) {
    return std::nullopt;
  }
  return Value;
}

std::optional<uint64_t> NumberOption(const std::string &Name, const std::string &Text, uint64_t Min,
                                     uint64_t Max, std::string &Problem) {
  std::optional<uint64_t> Value = ParseNumber(Text, Min, Max);
  if (!Value) {
    Problem = Name + ": '" + Text + "' is not a whole number from " + std::to_string(Min) + " to " +
              std::to_string(Max);
  }
  return Value;
}

} // namespace HostTools
