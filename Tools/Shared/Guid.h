// GUIDs as the host tools store and print them: 16 bytes with the first three
// fields little-endian, printed in the 8-4-4-4-12 upper-case form.
#pragma once

#include <Uefi/UefiBaseType.h>

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace HostTools {

// The bytes Guid is stored as in a file or in IA32 memory.
std::array<uint8_t, 16> GuidBytes(const EFI_GUID &Guid);

// "E286BDA9-E33A-47B3-AA89-3F17CEDE5538"
std::string GuidText(std::span<const uint8_t, 16> Bytes);
std::string GuidText(const EFI_GUID &Guid);

// The stored bytes of a GUID written as text, braces optional, hex digits in
// either case; nothing for anything else.
std::optional<std::array<uint8_t, 16>> ParseGuid(std::string_view Text);

} // namespace HostTools
