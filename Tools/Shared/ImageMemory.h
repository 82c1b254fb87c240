// The image as the processor sees it in place: virtual addresses mapped to
// file bytes through the section table. Only bytes the file really holds are
// readable; zero-fill beyond a section's raw data does not exist in flash.
#pragma once

#include "PeFile.h"

#include <cstdint>
#include <optional>
#include <span>

namespace HostTools {

// The section whose file-backed bytes hold Va, or null.
const PE_SECTION *SectionAtVa(const PE_FILE &Image, uint64_t Va);

// How many file-backed bytes are readable from Va on, within its section.
uint64_t BytesAvailableAtVa(const PE_FILE &Image, uint64_t Va);

// [Va, Va + Count) when all of it lies in one section's file bytes.
std::optional<std::span<const uint8_t>> BytesAtVa(const PE_FILE &Image, uint64_t Va,
                                                  uint64_t Count);

std::optional<uint32_t> U32AtVa(const PE_FILE &Image, uint64_t Va);

} // namespace HostTools
