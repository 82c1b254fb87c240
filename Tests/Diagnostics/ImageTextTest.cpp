// The assertion texts the built images carry. A check the optimiser can prove
// never fails leaves no trace in the image; the failing-constructor image keeps
// the constructor check, whose report needs its texts. No text is there twice
// (sites sharing a text share one copy).
#include <Library/AssertSites.h>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

namespace {

std::string ReadImage(const char *Path) {
  std::ifstream File(Path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(File), std::istreambuf_iterator<char>());
}

// Occurrences of Text with its NUL (the image's constants sit back to back,
// so what precedes a string may be any byte).
size_t CountStrings(const std::string &Image, const std::string &Text) {
  std::string Needle = Text + '\0';
  size_t Count = 0;
  for (size_t At = Image.find(Needle); At != std::string::npos; At = Image.find(Needle, At + 1)) {
    ++Count;
  }
  return Count;
}

const char *const ConstructorReportTexts[] = {
    AssertSites[ASSERT_SITE_CONSTRUCTOR_STATUS].FileName,
    AssertSites[ASSERT_SITE_CONSTRUCTOR_STATUS].Expression,
    "ASSERT %a(%d): %a\n",
};

// Sites whose check cannot fail in this module: ports 0xCF8 and 0xCFC are
// aligned, the radix is 10 or 16, the GUID loads follow a null check, the
// debug message's format is a literal and the level mask lets nothing through.
const char *const NeverFiringTexts[] = {
    AssertSites[ASSERT_SITE_PORT_OUT32].FileName,
    AssertSites[ASSERT_SITE_PORT_OUT32].Expression,
    AssertSites[ASSERT_SITE_DIVISOR].FileName,
    AssertSites[ASSERT_SITE_DIVISOR].Expression,
    AssertSites[ASSERT_SITE_UNALIGNED16].FileName,
    AssertSites[ASSERT_SITE_DEBUG_FORMAT].FileName,
    AssertSites[ASSERT_SITE_DEBUG_FORMAT].Expression,
    "\nASSERT_EFI_ERROR (Status = %r)\n",
};

const char *const OtherSiteTexts[] = {
    AssertSites[ASSERT_SITE_STRING_LENGTH].FileName,
    AssertSites[ASSERT_SITE_FORMAT_BUFFER].FileName,
    AssertSites[ASSERT_SITE_STRING_LENGTH].Expression,
    AssertSites[ASSERT_SITE_FORMAT_BUFFER].Expression,
};

TEST(ImageText, FailingConstructorImageCarriesTheConstructorReportOnce) {
  const std::string Image = ReadImage(TOLVERN_FAILING_IMAGE_PATH);
  ASSERT_GT(Image.size(), 512u) << TOLVERN_FAILING_IMAGE_PATH;
  for (const char *Text : ConstructorReportTexts) {
    EXPECT_EQ(CountStrings(Image, Text), 1u) << Text;
  }
}

TEST(ImageText, ChecksThatCannotFailLeaveNoText) {
  for (const char *Path : {TOLVERN_IMAGE_PATH, TOLVERN_FAILING_IMAGE_PATH}) {
    const std::string Image = ReadImage(Path);
    ASSERT_GT(Image.size(), 512u) << Path;
    for (const char *Text : NeverFiringTexts) {
      EXPECT_EQ(CountStrings(Image, Text), 0u) << Path << ": " << Text;
    }
    for (const char *Text : OtherSiteTexts) {
      EXPECT_LE(CountStrings(Image, Text), 1u) << Path << ": " << Text;
    }
  }
}

} // namespace
