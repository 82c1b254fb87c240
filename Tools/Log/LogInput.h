// Where a serial log comes from: a file, standard input, or a serial device
// read live in raw mode (no echo, no line editing) at a given baud rate.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace TolvernLog {

// Whether the serial devices of this host can run at Baud.
bool IsKnownBaud(uint32_t Baud);

// The descriptor of Path opened for reading (standard input for "-"), or
// nothing with Problem saying why.
std::optional<int> OpenLogFile(const std::string &Path, std::string &Problem);

// The serial device at Path, opened and set to raw 8-N-1 at Baud with the
// receiver on and the modem lines ignored; nothing, with Problem, when it
// cannot be opened or is not a terminal.
std::optional<int> OpenSerialDevice(const std::string &Path, uint32_t Baud, std::string &Problem);

enum class LOG_END { END_OF_INPUT, HANG_UP, SILENCE, READ_ERROR };

// Reads Descriptor to its end (end of file, a hang-up, or TimeoutMs of
// silence when TimeoutMs is set), handing each line to OnLine as soon as it is
// complete, without its LF or CR LF; a last line without one is handed on at
// the end. On READ_ERROR, Problem says why.
LOG_END ReadLines(int Descriptor, std::optional<int> TimeoutMs,
                  const std::function<void(std::string_view)> &OnLine, std::string &Problem);

} // namespace TolvernLog
