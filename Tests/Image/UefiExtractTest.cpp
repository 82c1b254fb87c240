// A second opinion from outside the project: UEFIExtract (Debian's
// uefitool-cli) parses the built flash image. It must complain about
// nothing, find the boot volume at region 13, and find the module's file with
// its dependency, user-interface and PE32 sections, the image at its link
// address, and the boot platform as the volume top file ending at 4 GiB.
#include "ToolRun.h"

#include <ExpectedFlashMap.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include <unistd.h>

namespace {

constexpr uint64_t FLASH_BASE = 0xFF000000;

// A row of UEFIExtract's report: "Type | Subtype | Base | Size | CRC32 | Name"
// (a file's name has its user-interface name as one more column).
struct REPORT_ROW {
  std::vector<std::string> Columns;

  const std::string &Type() const { return Columns.at(0); }
  const std::string &Subtype() const { return Columns.at(1); }
  uint64_t Base() const { return std::stoull(Columns.at(2), nullptr, 16); }
  uint64_t Size() const { return std::stoull(Columns.at(3), nullptr, 16); }
  // The name without the dashes that show its depth.
  std::string Name() const { return Columns.at(5).substr(Columns.at(5).find_first_not_of("- ")); }
  std::string UserInterface() const { return Columns.size() > 6 ? Columns[6] : ""; }
};

std::string Trimmed(const std::string &Text) {
  const size_t First = Text.find_first_not_of(' ');
  return First == std::string::npos ? ""
                                    : Text.substr(First, Text.find_last_not_of(' ') - First + 1);
}

std::vector<REPORT_ROW> ReportRows(const std::string &Report) {
  std::vector<REPORT_ROW> Rows;
  const std::vector<std::string> Lines = SplitLines(Report);
  for (size_t Index = 1; Index < Lines.size(); ++Index) { // after the column titles
    REPORT_ROW Row;
    std::istringstream Columns(Lines[Index]);
    for (std::string Column; std::getline(Columns, Column, '|');) {
      Row.Columns.push_back(Trimmed(Column));
    }
    if (Row.Columns.size() >= 6) {
      Rows.push_back(Row);
    }
  }
  return Rows;
}

class UefiExtract : public testing::Test {
protected:
  static void SetUpTestSuite() {
    // A copy of its own: the report is written next to it, and tests run in parallel.
    const std::string Copy = ScratchPath("uefiextract-" + std::to_string(getpid()) + ".bin");
    std::filesystem::copy_file(BOOT_FLASH_IMAGE, Copy,
                               std::filesystem::copy_options::overwrite_existing);
    std::filesystem::remove(Copy + ".report.txt");
    Run = RunTool({UEFIEXTRACT_PATH, Copy, "report"});
    Rows = ReportRows(ReadFileText(Copy + ".report.txt"));
  }

  // The file row named by Guid, then its sections' rows up to the next file.
  static std::vector<REPORT_ROW> FileAndSections(const std::string &Guid) {
    std::vector<REPORT_ROW> Found;
    for (const REPORT_ROW &Row : Rows) {
      if (Row.Type() == "File") {
        if (!Found.empty()) {
          break;
        }
        if (Row.Name() == Guid) {
          Found.push_back(Row);
        }
      } else if (!Found.empty() && Row.Type() == "Section") {
        Found.push_back(Row);
      }
    }
    return Found;
  }

  static inline TOOL_RUN Run;
  static inline std::vector<REPORT_ROW> Rows;
};

TEST_F(UefiExtract, ParsesTheImageWithoutAComplaint) {
  ASSERT_TRUE(Run.Exited);
  EXPECT_EQ(Run.ExitCode, 0);
  // UEFIExtract says nothing unless it finds a checksum or format problem.
  EXPECT_EQ(Run.Stdout, "");
  EXPECT_EQ(Run.Stderr, "");
  std::vector<REPORT_ROW> Volumes;
  for (const REPORT_ROW &Row : Rows) {
    if (Row.Type() == "Volume") {
      Volumes.push_back(Row);
    }
  }
  ASSERT_EQ(Volumes.size(), 1u);
  EXPECT_EQ(Volumes[0].Subtype(), "FFSv2");
  EXPECT_EQ(FLASH_BASE + Volumes[0].Base(), 0xFFF60000u);
  EXPECT_EQ(Volumes[0].Size(), 0xA0000u);
}

TEST_F(UefiExtract, FindsTheModulesFileWithItsThreeSections) {
  const std::vector<REPORT_ROW> Module = FileAndSections(TOLVERN_FILE_GUID);
  ASSERT_EQ(Module.size(), 4u);
  EXPECT_EQ(Module[0].Subtype(), "PEI module");
  EXPECT_EQ(Module[0].UserInterface(), "Tolvern");
  EXPECT_EQ(Module[1].Subtype(), "PEI dependency");
  EXPECT_EQ(Module[2].Subtype(), "UI");
  EXPECT_EQ(Module[3].Subtype(), "PE32 image");
  // The PE32 section's data, after its 4-byte header, is the image at its link address.
  EXPECT_EQ(FLASH_BASE + Module[3].Base() + 4, Expected::IMAGE_BASE);
}

TEST_F(UefiExtract, FindsTheConsumerFirstAndThePlatformAtTheTop) {
  const std::vector<REPORT_ROW> Consumer = FileAndSections(CONSUMER_FILE_GUID);
  ASSERT_EQ(Consumer.size(), 4u);
  EXPECT_EQ(Consumer[0].UserInterface(), "FlashMapConsumer");
  EXPECT_EQ(FLASH_BASE + Consumer[0].Base(), 0xFFF60048u);
  ASSERT_FALSE(Rows.empty());
  const REPORT_ROW &Last = Rows.back();
  EXPECT_EQ(Last.Type(), "File");
  EXPECT_EQ(Last.UserInterface(), "Volume Top File");
  EXPECT_EQ(FLASH_BASE + Last.Base() + Last.Size(), 0x100000000u);
}

} // namespace
