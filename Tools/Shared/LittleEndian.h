// Little-endian fields in byte buffers: every multi-byte field of a firmware
// file or of IA32 memory is stored this way, whatever the host's byte order.
// The caller keeps Offset + the field's width within Bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace HostTools {

inline uint16_t ReadLe16(std::span<const uint8_t> Bytes, size_t Offset) {
  return static_cast<uint16_t>(Bytes[Offset] | Bytes[Offset + 1] << 8);
}

inline uint32_t ReadLe32(std::span<const uint8_t> Bytes, size_t Offset) {
  return uint32_t{ReadLe16(Bytes, Offset)} | uint32_t{ReadLe16(Bytes, Offset + 2)} << 16;
}

inline uint64_t ReadLe64(std::span<const uint8_t> Bytes, size_t Offset) {
  return uint64_t{ReadLe32(Bytes, Offset)} | uint64_t{ReadLe32(Bytes, Offset + 4)} << 32;
}

inline void WriteLe(std::span<uint8_t> Bytes, size_t Offset, uint64_t Value, size_t Width) {
  for (size_t Byte = 0; Byte < Width; ++Byte) {
    Bytes[Offset + Byte] = static_cast<uint8_t>(Value >> (8 * Byte));
  }
}

inline void WriteLe16(std::span<uint8_t> Bytes, size_t Offset, uint16_t Value) {
  WriteLe(Bytes, Offset, Value, 2);
}

inline void WriteLe32(std::span<uint8_t> Bytes, size_t Offset, uint32_t Value) {
  WriteLe(Bytes, Offset, Value, 4);
}

inline void WriteLe64(std::span<uint8_t> Bytes, size_t Offset, uint64_t Value) {
  WriteLe(Bytes, Offset, Value, 8);
}

} // namespace HostTools
