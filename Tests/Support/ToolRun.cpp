// Output goes to scratch files rather than pipes, so a tool that prints a lot
// on both streams can never block against the test.
#include "ToolRun.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>
#include <thread>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace {

int UniqueNumber() {
  static int Counter = 0;
  return ++Counter;
}

} // namespace

std::string ScratchPath(const std::string &Name) {
  std::filesystem::create_directories(TOLVERN_SCRATCH_DIR);
  return std::string(TOLVERN_SCRATCH_DIR) + "/" + Name;
}

TOOL_RUN RunTool(const std::vector<std::string> &Arguments, int TimeoutSeconds) {
  const std::string Base =
      ScratchPath("run-" + std::to_string(getpid()) + "-" + std::to_string(UniqueNumber()));
  const std::string OutPath = Base + ".out";
  const std::string ErrPath = Base + ".err";

  posix_spawn_file_actions_t Actions;
  posix_spawn_file_actions_init(&Actions);
  posix_spawn_file_actions_addopen(&Actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&Actions, STDOUT_FILENO, OutPath.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&Actions, STDERR_FILENO, ErrPath.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0644);
  std::vector<char *> Argv;
  for (const std::string &Argument : Arguments) {
    Argv.push_back(const_cast<char *>(Argument.c_str()));
  }
  Argv.push_back(nullptr);

  pid_t Child = 0;
  const int Spawned = posix_spawnp(&Child, Argv[0], &Actions, nullptr, Argv.data(), environ);
  posix_spawn_file_actions_destroy(&Actions);
  if (Spawned != 0) {
    throw std::runtime_error("cannot start " + Arguments[0]);
  }
  TOOL_RUN Run;
  int Status = 0;
  const auto Deadline = std::chrono::steady_clock::now() + std::chrono::seconds(TimeoutSeconds);
  for (;;) {
    const pid_t Done = waitpid(Child, &Status, WNOHANG);
    if (Done == Child || (Done < 0 && errno != EINTR)) {
      break;
    }
    if (std::chrono::steady_clock::now() > Deadline) {
      Run.TimedOut = true;
      kill(Child, SIGKILL);
      while (waitpid(Child, &Status, 0) < 0 && errno == EINTR) {
      }
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }

  Run.Exited = WIFEXITED(Status);
  Run.ExitCode = Run.Exited ? WEXITSTATUS(Status) : -1;
  Run.Signal = WIFSIGNALED(Status) ? WTERMSIG(Status) : 0;
  Run.Stdout = ReadFileText(OutPath);
  Run.Stderr = ReadFileText(ErrPath);
  std::filesystem::remove(OutPath);
  std::filesystem::remove(ErrPath);
  return Run;
}

std::vector<unsigned char> ReadFileBytes(const std::string &Path) {
  std::ifstream File(Path, std::ios::binary);
  if (!File) {
    throw std::runtime_error("cannot read " + Path);
  }
  return std::vector<unsigned char>((std::istreambuf_iterator<char>(File)),
                                    std::istreambuf_iterator<char>());
}

void WriteFileBytes(const std::string &Path, const std::vector<unsigned char> &Bytes) {
  std::ofstream File(Path, std::ios::binary | std::ios::trunc);
  File.write(reinterpret_cast<const char *>(Bytes.data()),
             static_cast<std::streamsize>(Bytes.size()));
  if (!File) {
    throw std::runtime_error("cannot write " + Path);
  }
}

std::string ReadFileText(const std::string &Path) {
  const std::vector<unsigned char> Bytes = ReadFileBytes(Path);
  return std::string(Bytes.begin(), Bytes.end());
}

std::vector<std::string> SplitLines(const std::string &Text) {
  std::vector<std::string> Lines;
  std::istringstream Stream(Text);
  for (std::string Line; std::getline(Stream, Line);) {
    Lines.push_back(Line);
  }
  return Lines;
}
