// Runs a command-line tool and keeps what it printed and how it ended.
#pragma once

#include <string>
#include <vector>

struct TOOL_RUN {
  bool Exited = false; // false when killed by a signal (a crash, or the time-out)
  bool TimedOut = false;
  int ExitCode = -1;
  int Signal = 0;
  std::string Stdout;
  std::string Stderr;
};

// Runs Arguments[0] (a path, or a command found on PATH) with the rest as its
// arguments, no shell in between; kills it after TimeoutSeconds.
TOOL_RUN RunTool(const std::vector<std::string> &Arguments, int TimeoutSeconds = 60);

// A path in the tests' scratch folder (created on demand) for Name.
std::string ScratchPath(const std::string &Name);

std::vector<unsigned char> ReadFileBytes(const std::string &Path);
void WriteFileBytes(const std::string &Path, const std::vector<unsigned char> &Bytes);
std::string ReadFileText(const std::string &Path);

// Lines of Text, without their line ends.
std::vector<std::string> SplitLines(const std::string &Text);
