// tolvern-inspect on the 16 MiB flash image: it lists the boot volume and its
// files, shows the map the module publishes, and holds the image against it;
// a moved volume and damaged volumes end with their own exit codes and one
// line each.
#include "ToolRun.h"

#include <ExpectedFlashMap.h>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdio>
#include <functional>
#include <regex>

namespace {

using BYTES = std::vector<unsigned char>;

constexpr int VOLUME_DAMAGED = 5;
constexpr int DUMP_MISMATCH = 6;
constexpr size_t VOLUME = 0xFFF60000 - 0xFF000000; // where region 13 lies in the image
constexpr size_t MODULE_FILE = 0xFFF94468 - 0xFF000000;

const BYTES &FlashBytes() {
  static const BYTES Bytes = ReadFileBytes(BOOT_FLASH_IMAGE);
  return Bytes;
}

TOOL_RUN Inspect(const BYTES &Flash, const std::string &Name, bool Json = false) {
  const std::string Path = ScratchPath(Name);
  WriteFileBytes(Path, Flash);
  std::vector<std::string> Arguments = {TOLVERN_INSPECT_PATH, Path};
  if (Json) {
    Arguments.push_back("--json");
  }
  return RunTool(Arguments);
}

// "0x" and eight hex digits: the size of a built PEIM file, as the volume holds it.
std::string FileSize(const char *Path) {
  char Text[16];
  std::snprintf(Text, sizeof Text, "0x%08zX", ReadFileBytes(Path).size());
  return Text;
}

std::string Squeezed(const std::string &Text) {
  return std::regex_replace(Text, std::regex(R"([ \t]+)"), " ");
}

TEST(InspectorDumpTest, ListsTheBootVolumeAndShowsTheMap) {
  const TOOL_RUN Run = Inspect(FlashBytes(), "flash.bin");
  ASSERT_TRUE(Run.Exited);
  EXPECT_EQ(Run.ExitCode, 0) << Run.Stderr;
  EXPECT_EQ(Run.Stderr, "");
  const std::string Table = Squeezed(Run.Stdout);
  for (const std::string &Line : std::vector<std::string>{
           "Volume at 0xFFF60000-0xFFFFFFFF, 655360 bytes, FFS2, erase polarity 1, 5 files, in "
           "region 13\n",
           " 0xFFF60048 " + FileSize(CONSUMER_FFS_PATH) + " PEIM valid ok ok " +
               CONSUMER_FILE_GUID + " FlashMapConsumer\n",
           " 0xFFF94468 " + FileSize(TOLVERN_FFS_PATH) + " PEIM valid ok ok " + TOLVERN_FILE_GUID +
               " Tolvern\n",
           std::string(" 0xFFFEFFE8 0x00010018 raw valid ok ok 1BA0062E-C779-4582-8566-"
                       "336AE8F78F09 (volume top file)\n"),
           "its image lies at " + Expected::ImageBaseText() + "\n",
           "13 0xFFF60000 0xFFFFFFFF 640 246-255\n",
           "Checks: 9 passed, 0 failed\n",
           "ok each-volume-inside-one-region: volume 0xFFF60000-0xFFFFFFFF in region 13\n",
           "ok image-at-its-link-address: Tolvern's image lies at " + Expected::ImageBaseText() +
               ", its link address\n",
       }) {
    EXPECT_NE(Table.find(Line), std::string::npos) << Line << "\nin\n" << Table;
  }
}

TEST(InspectorDumpTest, JsonCarriesTheVolumeListing) {
  const TOOL_RUN Run = Inspect(FlashBytes(), "flash-json.bin", true);
  ASSERT_EQ(Run.ExitCode, 0) << Run.Stderr;
  const nlohmann::json Report = nlohmann::json::parse(Run.Stdout);
  ASSERT_EQ(Report.at("volumes").size(), 1u);
  const nlohmann::json &Volume = Report.at("volumes").at(0);
  EXPECT_EQ(Volume.at("start"), "0xFFF60000");
  EXPECT_EQ(Volume.at("end"), "0xFFFFFFFF");
  EXPECT_EQ(Volume.at("region"), 13);
  EXPECT_TRUE(Volume.at("problem").is_null());
  const nlohmann::json &Files = Volume.at("files");
  ASSERT_EQ(Files.size(), 5u);
  EXPECT_EQ(Files.at(2).at("guid"), TOLVERN_FILE_GUID);
  EXPECT_EQ(Files.at(2).at("name"), "Tolvern");
  EXPECT_EQ(Files.at(2).at("start"), "0xFFF94468");
  EXPECT_EQ(Files.at(4).at("end"), "0xFFFFFFFF");
  for (const nlohmann::json &File : Files) {
    EXPECT_EQ(File.at("state"), "valid");
    EXPECT_EQ(File.at("headerChecksum"), true);
    EXPECT_EQ(File.at("dataChecksum"), true);
  }
  EXPECT_EQ(Report.at("publisher").at("image"), Expected::ImageBaseText());
  EXPECT_EQ(Report.at("record").at("Regions").size(), 14u);
  EXPECT_EQ(Report.at("crossChecks").size(), 3u);
  EXPECT_EQ(Report.at("ok"), true);
}

// The boot volume moved into regions 10 and 11, its old place erased.
BYTES MovedVolume() {
  BYTES Flash = FlashBytes();
  const size_t To = 0xFFE00000 - 0xFF000000;
  std::copy(Flash.begin() + VOLUME, Flash.end(), Flash.begin() + To);
  std::fill(Flash.begin() + VOLUME, Flash.end(), 0xFF);
  return Flash;
}

BYTES Flipped(size_t Offset) {
  BYTES Flash = FlashBytes();
  Flash.at(Offset) ^= 0x01;
  return Flash;
}

struct DUMP_CASE {
  const char *Name;
  std::function<BYTES()> Make;
  int ExitCode;
  const char *Says; // a regular expression the one stderr line must match
};

void PrintTo(const DUMP_CASE &Case, std::ostream *Stream) {
  *Stream << Case.Name;
}

const DUMP_CASE CASES[] = {
    {"VolumeMovedOutOfRegion13", MovedVolume, DUMP_MISMATCH,
     "does not match its map: each-volume-inside-one-region: volume 0xFFE00000-0xFFE9FFFF in no "
     "single region$"},
    {"ModuleFileHeaderFlipped", [] { return Flipped(MODULE_FILE + 2); }, VOLUME_DAMAGED,
     "volume at 0xFFF60000: at volume offset 0x00034468: file header checksum does not sum to 0$"},
    {"ModuleImageFlipped", [] { return Flipped(MODULE_FILE + 0x100); }, VOLUME_DAMAGED,
     "at volume offset 0x00034468: file data checksum is wrong$"},
    {"VolumeHeaderFlipped", [] { return Flipped(VOLUME + 0x2C); }, VOLUME_DAMAGED,
     "volume at 0xFFF60000: header checksum does not sum to 0$"},
};

class InspectDump : public testing::TestWithParam<DUMP_CASE> {};

TEST_P(InspectDump, EndsWithItsOwnCodeAndOneLine) {
  for (bool Json : {false, true}) {
    const TOOL_RUN Run = Inspect(GetParam().Make(), std::string(GetParam().Name) + ".bin", Json);
    ASSERT_TRUE(Run.Exited) << "killed by signal " << Run.Signal;
    EXPECT_EQ(Run.ExitCode, GetParam().ExitCode) << Run.Stderr;
    EXPECT_EQ(std::count(Run.Stderr.begin(), Run.Stderr.end(), '\n'), 1) << Run.Stderr;
    EXPECT_TRUE(
        std::regex_search(Run.Stderr.substr(0, Run.Stderr.size() - 1), std::regex(GetParam().Says)))
        << Run.Stderr;
    EXPECT_FALSE(Run.Stdout.empty()); // the listing is shown all the same
  }
}

INSTANTIATE_TEST_SUITE_P(Dumps, InspectDump, testing::ValuesIn(CASES),
                         [](const auto &Info) { return std::string(Info.param.Name); });

} // namespace
