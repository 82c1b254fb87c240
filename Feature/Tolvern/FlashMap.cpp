// The published flash map: constant image data, checked here at build time.
#include <Ppi/FlashMap.h>

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

namespace {

constexpr UINT64 kTop = 0x100000000ull;
constexpr const FLASH_MAP_RECORD &R = FlashMapRecord;

static_assert(FlashMapPpiDescriptor.Flags == 0x80000010u, "the one descriptor ends its list");
static_assert(R.FlashBase + UINT64{R.FlashSize} == kTop, "the device ends at 4 GiB");
static_assert(R.FirmwareAreaBase + UINT64{R.FirmwareAreaSize} == kTop,
              "firmware area ends at 4 GiB");

constexpr bool BlocksMatchAddresses() {
  for (const FLASH_REGION &Region : R.Regions) {
    if (Region.Base % R.BlockSize != 0 || Region.Size % R.BlockSize != 0 || Region.Size == 0 ||
        Region.FirstBlock != (Region.Base - R.FlashBase) / R.BlockSize ||
        Region.LastBlock != (Region.Base + Region.Size - 1 - R.FlashBase) / R.BlockSize) {
      return false;
    }
  }
  return true;
}
static_assert(BlocksMatchAddresses(), "FirstBlock/LastBlock follow from Base and Size");
static_assert(R.Regions[8].FirstBlock == 142 && R.Regions[9].FirstBlock == 141,
              "regions 8 and 9 keep their published order");

// Regions [First, Last] cover blocks [FromBlock, ToBlock] exactly once each,
// in whatever order they are listed.
constexpr bool CoversBlocksExactly(int First, int Last, UINT32 FromBlock, UINT32 ToBlock) {
  for (UINT32 Block = FromBlock; Block <= ToBlock; ++Block) {
    int Owners = 0;
    for (int Index = First; Index <= Last; ++Index) {
      const FLASH_REGION &Region = R.Regions[Index];
      Owners += (Block >= Region.FirstBlock && Block <= Region.LastBlock) ? 1 : 0;
    }
    if (Owners != 1) {
      return false;
    }
  }
  for (int Index = First; Index <= Last; ++Index) {
    if (R.Regions[Index].FirstBlock < FromBlock || R.Regions[Index].LastBlock > ToBlock) {
      return false;
    }
  }
  return true;
}
static_assert(CoversBlocksExactly(0, 9, 49, 142), "regions 0-9 cover blocks 49-142");
static_assert(CoversBlocksExactly(10, 13, 224, 255), "regions 10-13 cover blocks 224-255");
static_assert(R.Regions[0].Base == R.FirmwareAreaBase, "block 49 starts the firmware area");

constexpr bool SubRangesDivideRegion3() {
  UINT32 Next = R.Regions[3].Base;
  for (const FLASH_SUB_RANGE &Sub : R.SubRanges) {
    if (Sub.Base != Next) {
      return false;
    }
    Next += Sub.Size;
  }
  return Next == R.Regions[3].Base + R.Regions[3].Size;
}
static_assert(SubRangesDivideRegion3(), "the sub-ranges divide region 3 in address order");

} // namespace
