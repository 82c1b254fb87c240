// The image's PE32 headers and sections, as binutils reads them.
#include "ExpectedFlashMap.h"
#include "ImageTestSupport.h"

#include <gtest/gtest.h>

#include <iostream>

namespace {

constexpr size_t IMAGE_SIZE_LIMIT = 4064; // 4000 bytes and two 32-byte file-alignment steps

TEST(ImageHeaderTest, IsAnIa32Pe32EfiBootServiceDriver) {
  const OBJDUMP_IMAGE &Image = ImageByObjdump();
  EXPECT_EQ(Image.FileFormat, "pei-i386");
  EXPECT_EQ(Image.HexField("Magic"), 0x010Bu) << "PE32, not PE32+";
  EXPECT_EQ(Image.HexField("Subsystem"), 0xBu) << "EFI boot service driver";
}

TEST(ImageHeaderTest, IsLinkedAtItsFlashAddressToRunInPlace) {
  const OBJDUMP_IMAGE &Image = ImageByObjdump();
  EXPECT_EQ(Image.HexField("ImageBase"), uint64_t{Expected::IMAGE_BASE});
  ASSERT_TRUE(Image.HexField("SectionAlignment") && Image.HexField("FileAlignment"));
  EXPECT_EQ(*Image.HexField("SectionAlignment"), *Image.HexField("FileAlignment"));
  EXPECT_EQ(*Image.HexField("FileAlignment"), 32u);
  // Running in place needs each section at the same offset in file and memory.
  for (const OBJDUMP_SECTION &Section : Image.Sections) {
    EXPECT_EQ(Section.Vma - Expected::IMAGE_BASE, Section.FileOffset) << Section.Name;
  }
}

TEST(ImageHeaderTest, EntryPointLiesInsideText) {
  const OBJDUMP_IMAGE &Image = ImageByObjdump();
  const OBJDUMP_SECTION *Text = Image.Section(".text");
  ASSERT_NE(Text, nullptr);
  ASSERT_TRUE(Image.HexField("AddressOfEntryPoint") && Image.HexField("ImageBase"));
  const uint64_t Entry = *Image.HexField("ImageBase") + *Image.HexField("AddressOfEntryPoint");
  EXPECT_GE(Entry, Text->Vma);
  EXPECT_LT(Entry, Text->Vma + Text->Size);
}

TEST(ImageHeaderTest, ImportsNothing) {
  const OBJDUMP_IMAGE &Image = ImageByObjdump();
  ASSERT_TRUE(Image.DataDirectories.count(1)) << "objdump listed no import directory entry";
  EXPECT_EQ(Image.DataDirectories.at(1), std::make_pair(uint64_t{0}, uint64_t{0}));
  EXPECT_EQ(Image.Section(".idata"), nullptr);
}

TEST(ImageHeaderTest, NoWritableSectionHasContent) {
  const OBJDUMP_IMAGE &Image = ImageByObjdump();
  ASSERT_FALSE(Image.Sections.empty());
  for (const OBJDUMP_SECTION &Section : Image.Sections) {
    const bool HasContent = Section.Flags.find("CONTENTS") != std::string::npos;
    const bool ReadOnly = Section.Flags.find("READONLY") != std::string::npos;
    EXPECT_FALSE(HasContent && !ReadOnly) << Section.Name << " is writable: " << Section.Flags;
  }
}

TEST(ImageHeaderTest, FitsItsFlashBudget) {
  const size_t Size = ImageFileBytes().size();
  std::cout << "TolvernImage.efi: " << Size << " bytes (limit " << IMAGE_SIZE_LIMIT << ")\n";
  ::testing::Test::RecordProperty("ImageBytes", static_cast<int>(Size));
  EXPECT_LE(Size, IMAGE_SIZE_LIMIT);
}

} // namespace
