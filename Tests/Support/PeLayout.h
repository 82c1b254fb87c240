// Where the fields of a PE32 file lie, for tests that make or damage image
// files on purpose. The tests' own reading of the format, written apart from
// the tools' reader so that it can check it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace PeLayout {

typedef std::vector<uint8_t> FILE_BYTES;

constexpr size_t LFANEW = 0x3C;           // the DOS stub's pointer to the PE signature
constexpr size_t COFF_MACHINE = 4;        // from the PE signature
constexpr size_t COFF_SECTION_COUNT = 6;  // from the PE signature
constexpr size_t COFF_OPTIONAL_SIZE = 20; // from the PE signature
constexpr size_t COFF_CHARACTERISTICS = 22;
constexpr size_t OPTIONAL_HEADER = 24; // from the PE signature
// Offsets into the PE32 optional header.
constexpr size_t ENTRY_POINT = 16;
constexpr size_t IMAGE_BASE = 28;
constexpr size_t SECTION_ALIGNMENT = 32;
constexpr size_t FILE_ALIGNMENT = 36;
constexpr size_t SIZE_OF_IMAGE = 56;
constexpr size_t SIZE_OF_HEADERS = 60;
constexpr size_t SUBSYSTEM = 68;
constexpr size_t DATA_DIRECTORIES = 96;
constexpr size_t BASE_RELOCATION_DIRECTORY = 5;
// Offsets into a 40-byte section header.
constexpr size_t SECTION_HEADER_SIZE = 40;
constexpr size_t SECTION_VIRTUAL_SIZE = 8;
constexpr size_t SECTION_RVA = 12;
constexpr size_t SECTION_RAW_SIZE = 16;
constexpr size_t SECTION_RAW_OFFSET = 20;
constexpr size_t SECTION_CHARACTERISTICS = 36;

uint16_t Get16(const FILE_BYTES &File, size_t Offset);
uint32_t Get32(const FILE_BYTES &File, size_t Offset);
void Put16(FILE_BYTES &File, size_t Offset, uint16_t Value);
void Put32(FILE_BYTES &File, size_t Offset, uint32_t Value);

size_t PeHeader(const FILE_BYTES &File);
size_t OptionalHeader(const FILE_BYTES &File);
size_t FirstSection(const FILE_BYTES &File);
// The base relocation table's RVA, which in an image that runs in place is
// also its file offset.
uint32_t RelocationTable(const FILE_BYTES &File);

// The file offset of the HIGHLOW fixup entry for Rva, found by walking the
// relocation blocks; nothing when there is none.
std::optional<size_t> FixupEntryAt(const FILE_BYTES &File, uint32_t Rva);

} // namespace PeLayout
