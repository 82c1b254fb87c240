// The pointers between the published objects carry base relocations, found by
// searching the image bytes for the objects and reading objdump's list.
#include "ExpectedFlashMap.h"
#include "ImageBytes.h"
#include "ImageTestSupport.h"

#include <gtest/gtest.h>

namespace {

bool HasHighLowAt(const OBJDUMP_IMAGE &Image, uint64_t Va) {
  for (const OBJDUMP_RELOCATION &Relocation : Image.Relocations) {
    if (Relocation.Rva == Va - Expected::IMAGE_BASE && Relocation.Type == "HIGHLOW") {
      return true;
    }
  }
  return false;
}

TEST(ImageRelocationTest, PublishedObjectsAreEachInTheImageOnce) {
  std::string Why;
  const auto Objects = FindPublishedObjects(ImageByObjdump(), ImageFileBytes(), Why);
  ASSERT_TRUE(Objects) << Why;
  // The record is read through the descriptor by address, so check the chain.
  EXPECT_EQ(Objects->RecordVa % 4, 0u);
  EXPECT_EQ(Objects->DescriptorVa % 4, 0u);
}

TEST(ImageRelocationTest, DescriptorAndPpiPointersCarryBaseRelocations) {
  const OBJDUMP_IMAGE &Image = ImageByObjdump();
  ASSERT_FALSE(Image.Relocations.empty()) << "objdump lists no base relocations";
  std::string Why;
  const auto Objects = FindPublishedObjects(Image, ImageFileBytes(), Why);
  ASSERT_TRUE(Objects) << Why;
  EXPECT_TRUE(HasHighLowAt(Image, Objects->DescriptorVa + 4)) << "descriptor's Guid field";
  EXPECT_TRUE(HasHighLowAt(Image, Objects->DescriptorVa + 8)) << "descriptor's Ppi field";
  EXPECT_TRUE(HasHighLowAt(Image, Objects->PpiVa)) << "PPI body's record pointer";
}

TEST(ImageRelocationTest, DescriptorFlagsWordIsNotRelocated) {
  const OBJDUMP_IMAGE &Image = ImageByObjdump();
  std::string Why;
  const auto Objects = FindPublishedObjects(Image, ImageFileBytes(), Why);
  ASSERT_TRUE(Objects) << Why;
  EXPECT_FALSE(HasHighLowAt(Image, Objects->DescriptorVa));
  for (uint64_t Word = 0; Word < Expected::RECORD_WORDS.size(); ++Word) {
    EXPECT_FALSE(HasHighLowAt(Image, Objects->RecordVa + 4 * Word)) << "record word " << Word;
  }
}

} // namespace
