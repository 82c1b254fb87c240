// The host tools' PE32 reader on the built image, checked against what
// binutils' objdump reads from the same file.
#include "ImageTestSupport.h"

#include <BaseRelocations.h>
#include <PeFile.h>
#include <RunInPlace.h>

#include <gtest/gtest.h>

#include <algorithm>

using namespace HostTools;

namespace {

const PE_FILE &ImageByPeImage() {
  static const PE_FILE File = [] {
    std::string Problem;
    std::optional<PE_FILE> Read = ReadPeFile(ImageFileBytes(), Problem);
    if (!Read) {
      throw std::runtime_error(Problem);
    }
    return *Read;
  }();
  return File;
}

TEST(PeFileTest, HeadersAndSectionsAgreeWithObjdump) {
  const OBJDUMP_IMAGE &Objdump = ImageByObjdump();
  const PE_FILE &File = ImageByPeImage();
  EXPECT_EQ(Objdump.HexField("ImageBase"), uint64_t{File.ImageBase});
  EXPECT_EQ(Objdump.HexField("AddressOfEntryPoint"), uint64_t{File.EntryPointRva});
  EXPECT_EQ(Objdump.HexField("SizeOfImage"), uint64_t{File.SizeOfImage});
  EXPECT_EQ(Objdump.HexField("SectionAlignment"), uint64_t{File.SectionAlignment});
  ASSERT_EQ(File.Sections.size(), Objdump.Sections.size());
  for (size_t Index = 0; Index < File.Sections.size(); ++Index) {
    const PE_SECTION &Section = File.Sections[Index];
    SCOPED_TRACE(Section.Name);
    EXPECT_EQ(Section.Name, Objdump.Sections[Index].Name);
    EXPECT_EQ(File.ImageBase + uint64_t{Section.Rva}, Objdump.Sections[Index].Vma);
    EXPECT_EQ(Section.FileOffset, Objdump.Sections[Index].FileOffset);
  }
}

TEST(PeFileTest, FixupsAreExactlyObjdumpsHighLowRelocations) {
  std::vector<uint64_t> ByObjdump;
  for (const OBJDUMP_RELOCATION &Relocation : ImageByObjdump().Relocations) {
    if (Relocation.Type == "HIGHLOW") {
      ByObjdump.push_back(Relocation.Rva);
    }
  }
  std::sort(ByObjdump.begin(), ByObjdump.end());
  ASSERT_FALSE(ByObjdump.empty());

  std::string Problem;
  const auto Fixups = ReadHighLowFixups(ImageByPeImage(), Problem);
  ASSERT_TRUE(Fixups.has_value()) << Problem;
  EXPECT_EQ(std::vector<uint64_t>(Fixups->begin(), Fixups->end()), ByObjdump);
}

TEST(PeFileTest, TheBuiltImageRunsInPlace) {
  const std::optional<std::string> Problem = CheckRunsInPlace(ImageByPeImage());
  EXPECT_FALSE(Problem.has_value()) << Problem.value_or("");
}

} // namespace
