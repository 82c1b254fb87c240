// What a consumer reads through the installed descriptor.
#include "FakePeiServices.h"
#include "StartUp.h"

#include "ExpectedFlashMap.h"

#include <Ppi/FlashMap.h>

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

TEST(FlashMapRecordTest, ReadThroughTheInstalledDescriptorByteForByte) {
  FAKE_PEI_SERVICES Services;
  ASSERT_EQ(StartModule(nullptr, 0, Services.Pointer()), EFI_SUCCESS);
  ASSERT_EQ(Services.Calls.size(), 1u);
  const EFI_PEI_PPI_DESCRIPTOR *Descriptor = Services.Calls[0].PpiList;

  EXPECT_EQ(Descriptor->Flags, 0x80000010u);
  EXPECT_EQ(std::memcmp(Descriptor->Guid, Expected::GUID_BYTES.data(), Expected::GUID_BYTES.size()),
            0);

  const auto *Ppi = static_cast<const FLASH_MAP_PPI *>(Descriptor->Ppi);
  const std::vector<UINT8> Record = Expected::RecordBytes();
  EXPECT_EQ(std::memcmp(Ppi->Record, Record.data(), Record.size()), 0);
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
