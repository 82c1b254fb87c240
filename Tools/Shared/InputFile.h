// Reading an input file the way every host tool does: what it is checked
// first (a directory, an unreadable path, a file far larger than a flash
// device), its first bytes checked before the rest is read, and never more
// than a flash device's worth of bytes held in memory.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace HostTools {

// Four times the platform's 16 MiB flash device: no image, flash image or
// dump a tool reads comes near it.
constexpr uint64_t MAX_INPUT_BYTES = 64ull << 20;

// Looks at up to HEADER_PEEK_BYTES first bytes of a file and says what is
// wrong with them, or nothing when the rest is worth reading.
constexpr size_t HEADER_PEEK_BYTES = 64;
typedef std::function<std::optional<std::string>(std::span<const uint8_t> FirstBytes)> HEADER_CHECK;

// The whole file at Path. Nothing, with Problem saying why in one line (the
// path not included), when it cannot be opened or read, is not a regular
// file or device, is larger than MAX_INPUT_BYTES, or its first bytes fail
// CheckHeader.
std::optional<std::vector<uint8_t>> ReadInputFile(const std::string &Path, std::string &Problem,
                                                  const HEADER_CHECK &CheckHeader = {});

// Whether Output names Input itself (through whatever path), so that writing
// it would overwrite the input.
bool IsSameFile(const std::string &Input, const std::string &Output);

} // namespace HostTools
