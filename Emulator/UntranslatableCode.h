// Instructions the CPU emulator library cannot translate: instead of raising
// an invalid-opcode fault, as the processor does, it aborts the whole process
// ("tcg fatal error"). Wherever the image's bytes could start one, a run must
// stop before the library translates it.
#pragma once

#include <cstdint>
#include <map>
#include <span>
#include <string>

namespace TolvernEmu {

// Every address (the bytes loaded at Base) at which such an instruction could
// start, prefixes included, with what it is.
std::map<uint32_t, std::string> FindUntranslatableStarts(std::span<const uint8_t> Bytes,
                                                         uint32_t Base);

} // namespace TolvernEmu
