// The published flash map: constant image data, checked here at build time.
#include "FlashMapBoard.h"

constexpr EFI_GUID FlashMapPpiGuid = FLASH_MAP_PPI_GUID;

constexpr FLASH_MAP_RECORD FlashMapRecord = {
    0x00010000, // BlockSize
    0x01000000, // FlashSize
    0xFF000000, // FlashBase
    0x00CF0000, // FirmwareAreaSize
    0xFF310000, // FirmwareAreaBase
    {
        {0xFF310000, 0x00470000, 49, 119},
        {0xFF780000, 0x00040000, 120, 123},
        {0xFF7C0000, 0x00010000, 124, 124},
        {0xFF7D0000, 0x000A0000, 125, 134},
        {0xFF870000, 0x00020000, 135, 136},
        {0xFF890000, 0x00020000, 137, 138},
        {0xFF8B0000, 0x00010000, 139, 139},
        {0xFF8C0000, 0x00010000, 140, 140},
        // 8 and 9 are published out of address order: the index is the identity.
        {0xFF8E0000, 0x00010000, 142, 142},
        {0xFF8D0000, 0x00010000, 141, 141},
        {0xFFE00000, 0x00040000, 224, 227},
        {0xFFE40000, 0x000D0000, 228, 240},
        {0xFFF10000, 0x00050000, 241, 245},
        {0xFFF60000, 0x000A0000, 246, 255},
    },
    {
        {0xFF7D0000, 0x0004C000},
        {0xFF81C000, 0x00002000},
        {0xFF81E000, 0x00002000},
        {0xFF820000, 0x00050000},
    },
    0x00020000, // Trailer
};

constexpr FLASH_MAP_PPI FlashMapPpi = {&FlashMapRecord};

constexpr EFI_PEI_PPI_DESCRIPTOR FlashMapPpiDescriptor = {
    EFI_PEI_PPI_DESCRIPTOR_PPI | EFI_PEI_PPI_DESCRIPTOR_TERMINATE_LIST,
    const_cast<EFI_GUID *>(&FlashMapPpiGuid),
    const_cast<FLASH_MAP_PPI *>(&FlashMapPpi),
};

static_assert(FlashMapPpiDescriptor.Flags == 0x80000010u, "the one descriptor ends its list");

namespace {

// A rule the record breaks shows in the compiler's message as the enumerator
// this is instantiated with.
template <FLASH_MAP_RULE Broken> constexpr BOOLEAN KeepsFlashMapRules() {
  static_assert(Broken == FLASH_MAP_SOUND, "the flash map record breaks a rule");
  return TRUE;
}
static_assert(KeepsFlashMapRules<FlashMapBoardRule(&FlashMapRecord)>());

} // namespace
