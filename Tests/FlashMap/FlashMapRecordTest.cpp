// What a consumer reads through the installed descriptor, against the test's
// own copy of the map the module must publish. (That the module passes its
// own objects, not copies, is StartUpTest's to show.)
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

  EXPECT_EQ(Descriptor->Flags, Expected::DESCRIPTOR_FLAGS);
  EXPECT_EQ(std::memcmp(Descriptor->Guid, Expected::GUID_BYTES.data(), Expected::GUID_BYTES.size()),
            0);

  const auto *Ppi = static_cast<const FLASH_MAP_PPI *>(Descriptor->Ppi);
  const std::vector<UINT8> Record = Expected::RecordBytes();
  EXPECT_EQ(std::memcmp(Ppi->Record, Record.data(), Record.size()), 0);
}

} // namespace
