// What the tool reads from each image the build links: the base of its symbol
// copy puts the copy's first section where the image has it (both read with
// the tools' PE reader), the size report accounts for every byte and names
// only what the map names, and a map with writable data in it is refused.
#include "SizeReport.h"
#include "SymbolBase.h"
#include "WritableData.h"

#include <ToolRun.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <utility>

using namespace BuildFacts;
using namespace HostTools;

namespace {

struct IMAGE_FILES {
  const char *Name;
  const char *Image;
  const char *Copy; // the image linked again with DWARF
  const char *Map;
};

void PrintTo(const IMAGE_FILES &Files, std::ostream *Stream) {
  *Stream << Files.Name;
}

const IMAGE_FILES IMAGES[] = {TOLVERN_IMAGES};

class ImageFactsTest : public testing::TestWithParam<IMAGE_FILES> {};

TEST_P(ImageFactsTest, SymbolBasePutsTheCopysFirstSectionWhereTheImageHasIt) {
  std::string Problem;
  const std::optional<PE_FILE> Image = OpenPeFile(GetParam().Image, Problem);
  const std::optional<PE_FILE> Copy = OpenPeFile(GetParam().Copy, Problem);
  ASSERT_TRUE(Image && Copy && !Copy->Sections.empty()) << Problem;
  const std::optional<uint32_t> Base = SymbolFileBase(*Image, Copy->SectionAlignment, Problem);
  ASSERT_TRUE(Base) << Problem;
  EXPECT_EQ(*Base + Copy->Sections.front().Rva, Image->ImageBase + Image->Sections.front().Rva);
}

TEST_P(ImageFactsTest, SizeRowsAddUpToTheFileAndNameTheMapsSymbols) {
  const std::string Map = ReadFileText(GetParam().Map);
  std::string Problem;
  const std::optional<PE_FILE> Image = OpenPeFile(GetParam().Image, Problem);
  ASSERT_TRUE(Image) << Problem;
  const std::optional<std::vector<SIZE_ROW>> Rows =
      SizeRows(ReadLinkerMap(Map), Image->Bytes.size(), Problem);
  ASSERT_TRUE(Rows) << Problem;
  uint64_t Sum = 0;
  for (const SIZE_ROW &Row : *Rows) {
    Sum += Row.Size;
    for (const std::string &Symbol : Row.Symbols) {
      EXPECT_NE(Map.find(" " + Symbol + "\n"), std::string::npos) << Symbol;
    }
    if (Row.Kind == "headers") {
      EXPECT_EQ(Row.Size, Image->Sections.front().FileOffset);
    }
  }
  EXPECT_EQ(Sum, Image->Bytes.size());
  EXPECT_TRUE(std::is_sorted(Rows->begin(), Rows->end(),
                             [](const SIZE_ROW &A, const SIZE_ROW &B) { return A.Size > B.Size; }));
}

INSTANTIATE_TEST_SUITE_P(Images, ImageFactsTest, testing::ValuesIn(IMAGES));

TEST(SymbolBaseTest, RefusesAnImageWithoutSectionsOrABaseBelowZero) {
  PE_FILE Image;
  std::string Problem;
  EXPECT_FALSE(SymbolFileBase(Image, 0x1000, Problem));
  Image.Sections.push_back({".text", 0x200, 0x100, 0x200, 0x100, SECTION_EXECUTABLE});
  EXPECT_TRUE(SymbolFileBase(Image, 0x200, Problem));
  EXPECT_FALSE(SymbolFileBase(Image, 0x201, Problem));
}

// The map with an empty .data or .bss chunk given 4 bytes is refused, and the
// refusal names that chunk's line.
TEST(NoWritableDataTest, RefusesAMapWithANonEmptyDataOrBssChunk) {
  const std::string Map = ReadFileText(IMAGES[0].Map);
  EXPECT_EQ(RunTool({BUILD_FACTS_PATH, "no-writable-data", IMAGES[0].Map}).ExitCode, 0);
  for (const std::string Section : {".data", ".bss"}) {
    const size_t Chunk = Map.find(":(" + Section + ")\n");
    ASSERT_NE(Chunk, std::string::npos) << "no " << Section << " chunk in the map";
    const size_t Line = Map.rfind('\n', Chunk) + 1;
    const std::string Filled = std::string(Map).replace(Map.find(' ', Line) + 1, 8, "00000004");
    const std::string Path = ScratchPath("filled" + Section + ".map");
    WriteFileBytes(Path, {Filled.begin(), Filled.end()});
    const TOOL_RUN Run = RunTool({BUILD_FACTS_PATH, "no-writable-data", Path});
    EXPECT_EQ(Run.ExitCode, 1);
    EXPECT_EQ(SplitLines(Run.Stderr).size(), 2u) << Run.Stderr;
    EXPECT_EQ(Run.Stderr.rfind("tolvern-build-facts: writable data in the image: ", 0), 0u);
    EXPECT_NE(Run.Stderr.find("\n" + Filled.substr(Line, Filled.find('\n', Line) - Line) + "\n"),
              std::string::npos)
        << Run.Stderr;
  }
}

// Usage errors exit 2 and refused inputs 1, each with one line naming the tool.
TEST(BuildFactsCommandLineTest, FailsWithOneLineAndItsExitCode) {
  const std::string Out = ScratchPath("base.rsp");
  const std::pair<std::vector<std::string>, int> CASES[] = {
      {{"frobnicate"}, 2},
      {{"symbol-base", IMAGES[0].Image, "-o", Out}, 2},
      {{"symbol-base", IMAGES[0].Map, "--section-alignment=4096", "-o", Out}, 1},
      {{"size-report", IMAGES[0].Image, IMAGES[0].Image}, 1},
      {{"peim-base", "--volume-base=0", "--name=P", "--depex=PUSH END", "-o", Out}, 2},
      {{"peim-base", "--volume-base=0xFFFFFFF0", "--name=P", "--depex=TRUE END", "-o", Out}, 1},
  };
  for (auto [Arguments, ExitCode] : CASES) {
    Arguments.insert(Arguments.begin(), BUILD_FACTS_PATH);
    const TOOL_RUN Run = RunTool(Arguments);
    EXPECT_EQ(Run.ExitCode, ExitCode) << Arguments[1];
    EXPECT_EQ(Run.Stderr.rfind("tolvern-build-facts: ", 0), 0u) << Run.Stderr;
    EXPECT_EQ(SplitLines(Run.Stderr).size(), 1u) << Run.Stderr;
  }
}

} // namespace
