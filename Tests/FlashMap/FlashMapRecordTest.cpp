// What a consumer reads through the installed descriptor.
#include "FakePeiServices.h"
#include "StartUp.h"

#include <Ppi/FlashMap.h>

#include <gtest/gtest.h>

#include <cstring>

namespace {

// The published record as seventy little-endian words, written out from the
// platform's flash layout independently of the module's declaration.
constexpr UINT32 kExpectedWords[70] = {
    0x00010000, 0x01000000, 0xFF000000, 0x00CF0000, 0xFF310000,
    // Regions: Base, Size, FirstBlock, LastBlock.
    0xFF310000, 0x00470000, 49, 119, 0xFF780000, 0x00040000, 120, 123,  //
    0xFF7C0000, 0x00010000, 124, 124, 0xFF7D0000, 0x000A0000, 125, 134, //
    0xFF870000, 0x00020000, 135, 136, 0xFF890000, 0x00020000, 137, 138, //
    0xFF8B0000, 0x00010000, 139, 139, 0xFF8C0000, 0x00010000, 140, 140, //
    0xFF8E0000, 0x00010000, 142, 142, 0xFF8D0000, 0x00010000, 141, 141, //
    0xFFE00000, 0x00040000, 224, 227, 0xFFE40000, 0x000D0000, 228, 240, //
    0xFFF10000, 0x00050000, 241, 245, 0xFFF60000, 0x000A0000, 246, 255, //
    // Sub-ranges of region 3: Base, Size.
    0xFF7D0000, 0x0004C000, 0xFF81C000, 0x00002000, 0xFF81E000, 0x00002000, 0xFF820000, 0x00050000,
    // Trailer.
    0x00020000};

constexpr UINT8 kGuidBytes[16] = {0xA9, 0xBD, 0x86, 0xE2, 0x3A, 0xE3, 0xB3, 0x47,
                                  0xAA, 0x89, 0x3F, 0x17, 0xCE, 0xDE, 0x55, 0x38};

TEST(FlashMapRecordTest, ReadThroughTheInstalledDescriptorByteForByte) {
  FAKE_PEI_SERVICES Services;
  ASSERT_EQ(StartModule(nullptr, 0, Services.Pointer()), EFI_SUCCESS);
  ASSERT_EQ(Services.Calls.size(), 1u);
  const EFI_PEI_PPI_DESCRIPTOR *Descriptor = Services.Calls[0].PpiList;

  EXPECT_EQ(Descriptor->Flags, 0x80000010u);
  EXPECT_EQ(std::memcmp(Descriptor->Guid, kGuidBytes, sizeof kGuidBytes), 0);

  const auto *Ppi = static_cast<const FLASH_MAP_PPI *>(Descriptor->Ppi);
  UINT8 Expected[280];
  for (int Word = 0; Word < 70; ++Word) {
    for (int Byte = 0; Byte < 4; ++Byte) {
      Expected[Word * 4 + Byte] = static_cast<UINT8>(kExpectedWords[Word] >> (8 * Byte));
    }
  }
  EXPECT_EQ(std::memcmp(Ppi->Record, Expected, sizeof Expected), 0);
}

TEST(FlashMapRecordTest, ConsumersGetTheImagesObjectsNotCopies) {
  FAKE_PEI_SERVICES Services;
  StartModule(nullptr, 0, Services.Pointer());
  const EFI_PEI_PPI_DESCRIPTOR *Descriptor = Services.Calls.at(0).PpiList;
  EXPECT_EQ(Descriptor->Guid, &FlashMapPpiGuid);
  EXPECT_EQ(Descriptor->Ppi, &FlashMapPpi);
  EXPECT_EQ(FlashMapPpi.Record, &FlashMapRecord);
}

} // namespace
