// The command line as every host tool treats it: a usage error is one line,
// "TOOL: what is wrong", and exit status 2; numbers are whole numbers in
// decimal or 0x-hexadecimal within the option's range, nothing else.
#pragma once

#include <CLI/CLI.hpp>

#include <cstdint>
#include <optional>
#include <string>

namespace HostTools {

constexpr int EXIT_USAGE = 2;

// Prints "Program: Message" to stderr as one line and returns Code, for a
// tool's main to return. Paths in Message should pass through PrintableText.
int Fail(const std::string &Program, int Code, const std::string &Message);

// A tool's main: Run(Argc, Argv), with any exception that escapes it turned
// into one line and CrashCode.
int GuardedMain(const char *Program, int CrashCode, int (*Run)(int, char **), int Argc,
                char **Argv);

// Parses the command line. Returns the exit status when the tool should stop
// here (0 after printing --help, EXIT_USAGE after a one-line usage error), or
// nothing when it should go on.
std::optional<int> ParseCommandLine(CLI::App &App, int Argc, char **Argv);

// Text as a whole number from Min to Max: decimal digits, or 0x and
// hexadecimal digits, no sign, no spaces. Nothing for anything else,
// including a number too large for 64 bits.
std::optional<uint64_t> ParseNumber(const std::string &Text, uint64_t Min, uint64_t Max);

// ParseNumber for an option's text; on failure Problem reads
// "--name: 'text' is not a whole number from Min to Max".
std::optional<uint64_t> NumberOption(const std::string &Name, const std::string &Text, uint64_t Min,
                                     uint64_t Max, std::string &Problem);

} // namespace HostTools
