// tolvern-inspect on the built image: the exact record in JSON, the table's
// rows in address order with the gaps, and the picture's labels.
#include "ExpectedFlashMap.h"
#include "ImageBytes.h"
#include "ImageTestSupport.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <filesystem>
#include <map>
#include <regex>

namespace {

// A line with its runs of blanks squeezed to one, so column widths don't matter.
std::string Squeezed(const std::string &Line) {
  return std::regex_replace(Line, std::regex(R"(\s+)"), " ");
}

std::vector<std::string> SqueezedLines(const std::string &Text) {
  std::vector<std::string> Lines;
  for (const std::string &Line : SplitLines(Text)) {
    Lines.push_back(Squeezed(Line));
  }
  return Lines;
}

// Addresses in the JSON are "0x" and eight upper-case hex digits; sizes and
// block numbers are plain numbers.
uint64_t Address(const nlohmann::json &Field) {
  const std::string Text = Field.is_string() ? Field.get<std::string>() : Field.dump();
  EXPECT_TRUE(std::regex_match(Text, std::regex("0x[0-9A-F]{8}"))) << Text;
  return std::strtoull(Text.c_str(), nullptr, 16);
}

PUBLISHED_OBJECTS Objects() {
  std::string Why;
  const auto Found = FindPublishedObjects(ImageByObjdump(), ImageFileBytes(), Why);
  if (!Found) {
    throw std::runtime_error(Why);
  }
  return *Found;
}

TEST(InspectorOutputTest, JsonHoldsTheExactRecordAndWhereItWasFound) {
  const TOOL_RUN Run = RunTool({TOLVERN_INSPECT_PATH, "--json", ImagePath()});
  ASSERT_TRUE(Run.Exited);
  ASSERT_EQ(Run.ExitCode, 0) << Run.Stderr;
  EXPECT_EQ(Run.Stderr, "");
  const nlohmann::json Report = nlohmann::json::parse(Run.Stdout);
  const nlohmann::json &Record = Report.at("record");

  std::vector<uint64_t> Words = {Record.at("BlockSize"), Record.at("FlashSize"),
                                 Address(Record.at("FlashBase")), Record.at("FirmwareAreaSize"),
                                 Address(Record.at("FirmwareAreaBase"))};
  ASSERT_EQ(Record.at("Regions").size(), 14u);
  for (size_t Index = 0; Index < 14; ++Index) {
    const nlohmann::json &Region = Record.at("Regions").at(Index);
    EXPECT_EQ(Region.at("Index"), Index);
    Words.push_back(Address(Region.at("Base")));
    for (const char *Field : {"Size", "FirstBlock", "LastBlock"}) {
      Words.push_back(Region.at(Field));
    }
  }
  ASSERT_EQ(Record.at("SubRanges").size(), 4u);
  for (const nlohmann::json &Sub : Record.at("SubRanges")) {
    Words.push_back(Address(Sub.at("Base")));
    Words.push_back(Sub.at("Size"));
  }
  Words.push_back(Record.at("Trailer"));
  EXPECT_EQ(Words,
            std::vector<uint64_t>(Expected::RECORD_WORDS.begin(), Expected::RECORD_WORDS.end()));
  EXPECT_EQ(Record.at("size"), 280);

  const PUBLISHED_OBJECTS Found = Objects();
  EXPECT_EQ(Address(Report.at("descriptor").at("address")), Found.DescriptorVa);
  EXPECT_EQ(Address(Report.at("descriptor").at("Flags")), Expected::DESCRIPTOR_FLAGS);
  EXPECT_EQ(Address(Report.at("descriptor").at("Guid")), Found.GuidVa);
  EXPECT_EQ(Address(Report.at("descriptor").at("Ppi")), Found.PpiVa);
  EXPECT_EQ(Report.at("descriptor").at("guidText"), "E286BDA9-E33A-47B3-AA89-3F17CEDE5538");
  EXPECT_EQ(Address(Report.at("ppi").at("Record")), Found.RecordVa);
  EXPECT_EQ(Address(Record.at("address")), Found.RecordVa);
  EXPECT_EQ(Report.at("image").at("runsInPlace"), true);

  EXPECT_EQ(Report.at("ok"), true);
  ASSERT_EQ(Report.at("checks").size(), 9u);
  for (const nlohmann::json &Check : Report.at("checks")) {
    EXPECT_TRUE(Check.at("passed").get<bool>()) << Check.dump();
  }
}

TEST(InspectorOutputTest, JsonLayoutListsGapsInAddressOrder) {
  const TOOL_RUN Run = RunTool({TOLVERN_INSPECT_PATH, "--json", ImagePath()});
  ASSERT_EQ(Run.ExitCode, 0) << Run.Stderr;
  std::vector<std::string> Rows;
  const nlohmann::json Report = nlohmann::json::parse(Run.Stdout);
  for (const nlohmann::json &Row : Report.at("layout")) {
    Rows.push_back(Row.at("kind") == "region"
                       ? std::to_string(Row.at("index").get<int>())
                       : Row.at("kind").get<std::string>() + " " +
                             std::to_string(Row.at("firstBlock").get<int>()) + "-" +
                             std::to_string(Row.at("lastBlock").get<int>()));
  }
  EXPECT_EQ(Rows,
            (std::vector<std::string>{"below-firmware-area 0-48", "0", "1", "2", "3", "4", "5", "6",
                                      "7", "9", "8", "gap 143-223", "10", "11", "12", "13"}));
}

TEST(InspectorOutputTest, TableShowsRegionsGapsAndSubRanges) {
  const TOOL_RUN Run = RunTool({TOLVERN_INSPECT_PATH, ImagePath()});
  ASSERT_TRUE(Run.Exited);
  ASSERT_EQ(Run.ExitCode, 0) << Run.Stderr;
  EXPECT_EQ(Run.Stderr, "");
  const std::vector<std::string> Lines = SqueezedLines(Run.Stdout);

  char Descriptor[128];
  std::snprintf(Descriptor, sizeof Descriptor,
                " descriptor 0x%08llX Flags 0x80000010 GUID E286BDA9-E33A-47B3-AA89-3F17CEDE5538",
                static_cast<unsigned long long>(Objects().DescriptorVa));
  // The region table in address order: 9 before 8, gaps where no region is.
  const std::vector<std::string> Expected = {
      Descriptor,
      "Flash device 0xFF000000 0xFFFFFFFF 16384 0-255 block size 64 KiB",
      "Firmware area 0xFF310000 0xFFFFFFFF 13248 49-255",
      "Region Start End Size KiB Blocks",
      "-- 0xFF000000 0xFF30FFFF 3136 0-48 unmapped, below the firmware area",
      "0 0xFF310000 0xFF77FFFF 4544 49-119",
      "1 0xFF780000 0xFF7BFFFF 256 120-123",
      "2 0xFF7C0000 0xFF7CFFFF 64 124-124",
      "3 0xFF7D0000 0xFF86FFFF 640 125-134",
      "4 0xFF870000 0xFF88FFFF 128 135-136",
      "5 0xFF890000 0xFF8AFFFF 128 137-138",
      "6 0xFF8B0000 0xFF8BFFFF 64 139-139",
      "7 0xFF8C0000 0xFF8CFFFF 64 140-140",
      "9 0xFF8D0000 0xFF8DFFFF 64 141-141",
      "8 0xFF8E0000 0xFF8EFFFF 64 142-142",
      "-- 0xFF8F0000 0xFFDFFFFF 5184 143-223 gap: firmware area, in no region",
      "10 0xFFE00000 0xFFE3FFFF 256 224-227",
      "11 0xFFE40000 0xFFF0FFFF 832 228-240",
      "12 0xFFF10000 0xFFF5FFFF 320 241-245",
      "13 0xFFF60000 0xFFFFFFFF 640 246-255",
      "Sub-ranges of region 3",
      "0 0xFF7D0000 0xFF81BFFF 304",
      "1 0xFF81C000 0xFF81DFFF 8",
      "2 0xFF81E000 0xFF81FFFF 8",
      "3 0xFF820000 0xFF86FFFF 320",
      "Trailer 0x00020000 (128 KiB)",
      "Checks: 9 passed, 0 failed"};
  // Each expected line appears, and in this order.
  auto Next = Lines.begin();
  for (const std::string &Line : Expected) {
    const auto Found = std::find(Next, Lines.end(), Line);
    ASSERT_NE(Found, Lines.end()) << "missing or out of order: \"" << Line << "\"\n" << Run.Stdout;
    Next = Found + 1;
  }
}

TEST(InspectorOutputTest, SvgLabelsEveryRegionGapAndSubRange) {
  const std::string SvgPath = ScratchPath("TolvernImage.svg");
  std::filesystem::remove(SvgPath);
  const TOOL_RUN Run = RunTool({TOLVERN_INSPECT_PATH, ImagePath(), "--svg", SvgPath});
  ASSERT_EQ(Run.ExitCode, 0) << Run.Stderr;
  const std::string Svg = ReadFileText(SvgPath);
  EXPECT_EQ(Svg.rfind("<svg xmlns=\"http://www.w3.org/2000/svg\"", 0), 0u);
  EXPECT_NE(Svg.find("</svg>"), std::string::npos);
  const std::vector<std::string> Labels = {
      "region 0: blocks 49-119, 0xFF310000, 4544 KiB",
      "region 1: blocks 120-123, 0xFF780000, 256 KiB",
      "region 2: block 124, 0xFF7C0000, 64 KiB",
      "region 3: blocks 125-134, 0xFF7D0000, 640 KiB",
      "region 4: blocks 135-136, 0xFF870000, 128 KiB",
      "region 5: blocks 137-138, 0xFF890000, 128 KiB",
      "region 6: block 139, 0xFF8B0000, 64 KiB",
      "region 7: block 140, 0xFF8C0000, 64 KiB",
      "region 8: block 142, 0xFF8E0000, 64 KiB",
      "region 9: block 141, 0xFF8D0000, 64 KiB",
      "region 10: blocks 224-227, 0xFFE00000, 256 KiB",
      "region 11: blocks 228-240, 0xFFE40000, 832 KiB",
      "region 12: blocks 241-245, 0xFFF10000, 320 KiB",
      "region 13: blocks 246-255, 0xFFF60000, 640 KiB",
      "unmapped, below the firmware area: blocks 0-48, 0xFF000000, 3136 KiB",
      "gap, in no region: blocks 143-223, 0xFF8F0000, 5184 KiB",
      "firmware area, 13248 KiB",
      "sub-range 0: 0xFF7D0000, 304 KiB",
      "sub-range 1: 0xFF81C000, 8 KiB",
      "sub-range 2: 0xFF81E000, 8 KiB",
      "sub-range 3: 0xFF820000, 320 KiB"};
  for (const std::string &Label : Labels) {
    EXPECT_NE(Svg.find(">" + Label + "<"), std::string::npos) << Label;
  }
  // Every element opened is closed: the file is whole.
  const auto Count = [&Svg](const std::string &Text) {
    return FindAll(std::vector<unsigned char>(Svg.begin(), Svg.end()),
                   std::vector<uint8_t>(Text.begin(), Text.end()))
        .size();
  };
  EXPECT_EQ(Count("<text"), Count("</text>"));
}

struct SHAPE {
  double Y = 0;
  double Height = 0;
};

// The rectangles of a picture by what they stand for (their data-part).
std::map<std::string, SHAPE> ShapesByPart(const std::string &Svg) {
  const std::regex Rect(
      R"RE(<rect x="[^"]*" y="([^"]*)" width="[^"]*" height="([^"]*)"[^>]*data-part="([^"]*)")RE");
  std::map<std::string, SHAPE> Shapes;
  for (auto Match = std::sregex_iterator(Svg.begin(), Svg.end(), Rect);
       Match != std::sregex_iterator(); ++Match) {
    Shapes[(*Match)[3]] = {std::stod((*Match)[1]), std::stod((*Match)[2])};
  }
  return Shapes;
}

TEST(InspectorOutputTest, SvgIsDrawnToScale) {
  const std::string SvgPath = ScratchPath("TolvernImageScale.svg");
  const TOOL_RUN Run = RunTool({TOLVERN_INSPECT_PATH, ImagePath(), "--svg", SvgPath});
  ASSERT_EQ(Run.ExitCode, 0) << Run.Stderr;
  const std::map<std::string, SHAPE> Shapes = ShapesByPart(ReadFileText(SvgPath));
  ASSERT_TRUE(Shapes.count("device"));
  const SHAPE Device = Shapes.at("device");
  constexpr double DEVICE_BYTES = 0x01000000;
  constexpr double DEVICE_END = 0x100000000;
  // Pixels are printed to two decimals; allow for that rounding.
  const auto ExpectPlaced = [&](const std::string &Part, double Base, double Size) {
    ASSERT_TRUE(Shapes.count(Part)) << Part;
    EXPECT_NEAR(Shapes.at(Part).Height, Size / DEVICE_BYTES * Device.Height, 0.02) << Part;
    EXPECT_NEAR(Shapes.at(Part).Y,
                Device.Y + (DEVICE_END - Base - Size) / DEVICE_BYTES * Device.Height, 0.02)
        << Part << ": high addresses at the top";
  };
  for (size_t Index = 0; Index < 14; ++Index) {
    ExpectPlaced("region " + std::to_string(Index),
                 Expected::RECORD_WORDS[Expected::REGIONS_WORD + 4 * Index],
                 Expected::RECORD_WORDS[Expected::REGIONS_WORD + 4 * Index + 1]);
  }
  ExpectPlaced("firmware-area", 0xFF310000, 0x00CF0000);
  ExpectPlaced("below-firmware-area", 0xFF000000, 0x00310000);
  ExpectPlaced("gap", 0xFF8F0000, 0x00510000);

  // The magnified sub-ranges keep their proportions to each other.
  double Total = 0;
  for (size_t Index = 0; Index < 4; ++Index) {
    ASSERT_TRUE(Shapes.count("sub-range " + std::to_string(Index)));
    Total += Shapes.at("sub-range " + std::to_string(Index)).Height;
  }
  for (size_t Index = 0; Index < 4; ++Index) {
    const double Size = Expected::RECORD_WORDS[Expected::SUB_RANGES_WORD + 2 * Index + 1];
    EXPECT_NEAR(Shapes.at("sub-range " + std::to_string(Index)).Height, Size / 0xA0000 * Total,
                0.05);
  }
}

} // namespace
