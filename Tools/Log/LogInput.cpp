#include "LogInput.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace TolvernLog {

namespace {

struct BAUD_SPEED {
  uint32_t Baud;
  speed_t Speed;
};

constexpr BAUD_SPEED BAUD_SPEEDS[] = {
    {1200, B1200},     {2400, B2400},     {4800, B4800},     {9600, B9600},
    {19200, B19200},   {38400, B38400},   {57600, B57600},   {115200, B115200},
    {230400, B230400}, {460800, B460800}, {921600, B921600},
};

std::optional<speed_t> SpeedOf(uint32_t Baud) {
  for (const BAUD_SPEED &Each : BAUD_SPEEDS) {
    if (Each.Baud == Baud) {
      return Each.Speed;
    }
  }
  return std::nullopt;
}

std::string SystemProblem() {
  return std::strerror(errno);
}

bool SetRaw(int Descriptor, speed_t Speed) {
  termios Settings{};
  if (tcgetattr(Descriptor, &Settings) != 0) {
    return false;
  }
  cfmakeraw(&Settings);
  Settings.c_cflag |= CLOCAL | CREAD;
  Settings.c_cc[VMIN] = 1;
  Settings.c_cc[VTIME] = 0;
  return cfsetispeed(&Settings, Speed) == 0 && cfsetospeed(&Settings, Speed) == 0 &&
         tcsetattr(Descriptor, TCSANOW, &Settings) == 0;
}

// Splits what arrived into lines, keeping an unfinished one for later.
void HandLines(std::string &Pending, const std::function<void(std::string_view)> &OnLine) {
  size_t Start = 0;
  for (size_t End = Pending.find('\n'); End != std::string::npos; End = Pending.find('\n', Start)) {
    std::string_view Line(Pending.data() + Start, End - Start);
    if (!Line.empty() && Line.back() == '\r') {
      Line.remove_suffix(1);
    }
    OnLine(Line);
    Start = End + 1;
  }
  Pending.erase(0, Start);
}

} // namespace

bool IsKnownBaud(uint32_t Baud) {
  return SpeedOf(Baud).has_value();
}

std::optional<int> OpenLogFile(const std::string &Path, std::string &Problem) {
  if (Path == "-") {
    return STDIN_FILENO;
  }
  const int Descriptor = open(Path.c_str(), O_RDONLY | O_CLOEXEC);
  if (Descriptor < 0) {
    Problem = SystemProblem();
    return std::nullopt;
  }
  return Descriptor;
}

std::optional<int> OpenSerialDevice(const std::string &Path, uint32_t Baud, std::string &Problem) {
  const std::optional<speed_t> Speed = SpeedOf(Baud);
  // O_NOCTTY: the board's line must not become this process's terminal.
  const int Descriptor = Speed ? open(Path.c_str(), O_RDONLY | O_NOCTTY | O_CLOEXEC) : -1;
  if (Descriptor < 0) {
    Problem = Speed ? SystemProblem() : "no such baud rate";
    return std::nullopt;
  }
  if (!isatty(Descriptor) || !SetRaw(Descriptor, *Speed)) {
    Problem =
        isatty(Descriptor) ? "cannot set raw mode: " + SystemProblem() : "not a terminal device";
    close(Descriptor);
    return std::nullopt;
  }
  return Descriptor;
}

LOG_END ReadLines(int Descriptor, std::optional<int> TimeoutMs,
                  const std::function<void(std::string_view)> &OnLine, std::string &Problem) {
  std::string Pending;
  LOG_END End = LOG_END::END_OF_INPUT;
  for (;;) {
    pollfd Wait{Descriptor, POLLIN, 0};
    const int Ready = poll(&Wait, 1, TimeoutMs.value_or(-1));
    if (Ready == 0) {
      End = LOG_END::SILENCE;
      break;
    }
    char Buffer[4096];
    const ssize_t Count = Ready < 0 ? -1 : read(Descriptor, Buffer, sizeof Buffer);
    if (Count > 0) {
      Pending.append(Buffer, static_cast<size_t>(Count));
      HandLines(Pending, OnLine);
      continue;
    }
    if (Count < 0 && errno == EINTR) {
      continue;
    }
    // A terminal whose other side went away reads EIO (a pty's) or 0.
    if (Count == 0 || errno == EIO) {
      End = Count == 0 ? LOG_END::END_OF_INPUT : LOG_END::HANG_UP;
      break;
    }
    Problem = SystemProblem();
    End = LOG_END::READ_ERROR;
    break;
  }
  if (!Pending.empty()) {
    OnLine(Pending);
  }
  return End;
}

} // namespace TolvernLog
