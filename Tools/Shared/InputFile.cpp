// POSIX calls rather than streams: a stream opens a directory without
// complaint and reads a device without end.
#include "InputFile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace HostTools {

namespace {

class FILE_DESCRIPTOR {
public:
  explicit FILE_DESCRIPTOR(int Descriptor) : Descriptor(Descriptor) {}
  ~FILE_DESCRIPTOR() {
    if (Descriptor >= 0) {
      close(Descriptor);
    }
  }
  FILE_DESCRIPTOR(const FILE_DESCRIPTOR &) = delete;
  FILE_DESCRIPTOR &operator=(const FILE_DESCRIPTOR &) = delete;
  int Get() const { return Descriptor; }

private:
  int Descriptor;
};

std::string SystemError(const char *What) {
  return std::string(What) + ": " + std::strerror(errno);
}

// Reads until Bytes holds Wanted bytes or the file ends; false on an error.
// Memory grows with what arrives, a chunk at a time, not with Wanted.
bool ReadUpTo(int Descriptor, std::vector<uint8_t> &Bytes, size_t Wanted) {
  constexpr size_t CHUNK = 1u << 20;
  while (Bytes.size() < Wanted) {
    const size_t Before = Bytes.size();
    Bytes.resize(std::min(Wanted, Before + CHUNK));
    const ssize_t Got = read(Descriptor, Bytes.data() + Before, Bytes.size() - Before);
    if (Got < 0 && errno == EINTR) {
      Bytes.resize(Before);
      continue;
    }
    Bytes.resize(Before + (Got > 0 ? static_cast<size_t>(Got) : 0));
    if (Got < 0) {
      return false;
    }
    if (Got == 0) {
      break;
    }
  }
  return true;
}

std::string TooLarge(uint64_t Size) {
  return "too large: " + std::to_string(Size) + " bytes or more, and no flash image or dump " +
         "is larger than " + std::to_string(MAX_INPUT_BYTES >> 20) + " MiB";
}

} // namespace

std::optional<std::vector<uint8_t>> ReadInputFile(const std::string &Path, std::string &Problem,
                                                  const HEADER_CHECK &CheckHeader) {
  const FILE_DESCRIPTOR File(open(Path.c_str(), O_RDONLY | O_CLOEXEC));
  if (File.Get() < 0) {
    Problem = SystemError("cannot open");
    return std::nullopt;
  }
  struct stat Status;
  if (fstat(File.Get(), &Status) != 0) {
    Problem = SystemError("cannot read");
    return std::nullopt;
  }
  if (S_ISDIR(Status.st_mode)) {
    Problem = "is a directory, not a file";
    return std::nullopt;
  }
  if (S_ISREG(Status.st_mode) && static_cast<uint64_t>(Status.st_size) > MAX_INPUT_BYTES) {
    Problem = TooLarge(static_cast<uint64_t>(Status.st_size));
    return std::nullopt;
  }
  std::vector<uint8_t> Bytes;
  if (!ReadUpTo(File.Get(), Bytes, HEADER_PEEK_BYTES)) {
    Problem = SystemError("cannot read");
    return std::nullopt;
  }
  if (CheckHeader) {
    if (std::optional<std::string> Refusal = CheckHeader(Bytes)) {
      Problem = *Refusal;
      return std::nullopt;
    }
  }
  // One byte past the limit tells a device or pipe that goes on from one that ends.
  if (!ReadUpTo(File.Get(), Bytes, MAX_INPUT_BYTES + 1)) {
    Problem = SystemError("cannot read");
    return std::nullopt;
  }
  if (Bytes.size() > MAX_INPUT_BYTES) {
    Problem = TooLarge(Bytes.size());
    return std::nullopt;
  }
  return Bytes;
}

bool IsSameFile(const std::string &Input, const std::string &Output) {
  std::error_code Error;
  if (std::filesystem::equivalent(Input, Output, Error)) {
    return true;
  }
  const auto Canonical = [](const std::string &Path) {
    std::error_code Ignored;
    return std::filesystem::weakly_canonical(Path, Ignored);
  };
  return Canonical(Input) == Canonical(Output);
}

} // namespace HostTools
