// tolvern-log on the failing-constructor image's boot: the assertion report
// placed at the line of this tree that really holds the site's check, and the
// breakpoint's frames, inlined ones included, as llvm-symbolizer reads them
// from the same symbol file; the same annotations whether the log comes from
// a file, from standard input or live from QEMU's serial line on a pty.
#include "BootSession.h"

#include <Library/AssertSites.h>

#include <gtest/gtest.h>

#include <fstream>

namespace {

const std::string NOTE = "  => ";
const std::string TOOL = LOG_TOOL;
const std::string LOG_FILE = std::string(TEST_OUTPUT_DIR) + "failing-boot.log";

// The serial log of one boot of the failing image, made once.
const std::string &BootLogFile() {
  static const BOOT_LOG Boot =
      RunCommand(std::string("bash ") + BOOT_SCRIPT + " --image failing --no-build --timeout 60" +
                 " --build-dir " + BOOT_BUILD_DIR + " 2>/dev/null >" + LOG_FILE);
  EXPECT_EQ(Boot.Status, 0) << Boot.Output;
  return LOG_FILE;
}

// The annotation lines right after the first line that starts with Prefix.
std::vector<std::string> NotesAfter(const BOOT_LOG &Log, const std::string &Prefix) {
  std::vector<std::string> Notes;
  const int Line = FindLine(Log, Prefix);
  for (size_t Index = static_cast<size_t>(Line) + 1;
       Line >= 0 && Index < Log.Lines.size() && Log.Lines[Index].rfind(NOTE, 0) == 0; ++Index) {
    Notes.push_back(Log.Lines[Index].substr(NOTE.size()));
  }
  return Notes;
}

std::string SourceLine(const std::string &File, int Number) {
  std::ifstream Source(std::string(TOLVERN_SOURCE_DIR) + "/" + File);
  std::string Text;
  for (int Index = 0; Index < Number && std::getline(Source, Text); ++Index) {
  }
  return Text;
}

// "Function at File:Line:Column" per frame, innermost first, as the outside
// symbolizer reads them from the symbol file (paths under the tree shortened).
std::vector<std::string> OracleFrames(const std::string &Address) {
  const BOOT_LOG Out =
      RunCommand(std::string(SYMBOLIZER) + " --inlines --obj=" + FAILING_SYMBOLS + " " + Address);
  std::vector<std::string> Frames;
  const std::string Top = std::string(TOLVERN_SOURCE_DIR) + "/";
  for (size_t Index = 0; Index + 1 < Out.Lines.size() && !Out.Lines[Index].empty(); Index += 2) {
    std::string Place = Out.Lines[Index + 1];
    if (Place.rfind(Top, 0) == 0) {
      Place = Place.substr(Top.size());
    }
    Frames.push_back(Out.Lines[Index] + " at " + Place);
  }
  return Frames;
}

void ExpectAnnotated(const BOOT_LOG &Log) {
  SCOPED_TRACE(Log.Output);
  const ASSERT_SITE &Site = AssertSites[ASSERT_SITE_CONSTRUCTOR_STATUS];
  const std::vector<std::string> Report = NotesAfter(Log, "ASSERT ");
  ASSERT_EQ(Report.size(), 1u);
  const std::string Where = std::string(" at ") + Site.SourceFile + ":";
  const size_t At = Report[0].find(Where);
  ASSERT_NE(At, std::string::npos);
  const int Line = std::atoi(Report[0].c_str() + At + Where.size());
  EXPECT_NE(SourceLine(Site.SourceFile, Line).find("REPORT_ASSERT_SITE("), std::string::npos);
  EXPECT_NE(Report[0].find(std::string(" in ") + Site.Function), std::string::npos);

  const int Breakpoint = FindLine(Log, "[boot] breakpoint: INT3 at 0x");
  ASSERT_GE(Breakpoint, 0);
  const std::string Address = Log.Lines[Breakpoint].substr(27, 10);
  const std::vector<std::string> Oracle = OracleFrames(Address);
  ASSERT_GE(Oracle.size(), 2u) << "the INT3 lies in a function inlined into AssertReport";
  std::vector<std::string> Expected = {Address + " in TolvernImageFailingConstructor.efi:"};
  for (size_t Index = 0; Index < Oracle.size(); ++Index) {
    Expected.push_back("  " + Oracle[Index] + (Index + 1 < Oracle.size() ? " (inlined)" : ""));
  }
  EXPECT_EQ(NotesAfter(Log, "[boot] breakpoint: INT3 at "), Expected);
  EXPECT_TRUE(HasLine(Log, "[boot] verdict: success"));
}

TEST(Log, AnnotatesTheFailingBootFromAFileAndFromStandardInput) {
  const BOOT_LOG FromFile = RunCommand(TOOL + " " + BootLogFile());
  ExpectAnnotated(FromFile);
  EXPECT_EQ(FromFile.Status, 0);
  const BOOT_LOG FromInput = RunCommand(TOOL + " < " + BootLogFile());
  EXPECT_EQ(FromInput.Output, FromFile.Output);
}

TEST(Log, AnnotatesTheFailingBootReadLiveFromQemusSerialPty) {
  const BOOT_LOG Live = RunCommand(std::string("bash ") + READ_LIVE + " " + BOOT_SCRIPT + " " +
                                   BOOT_BUILD_DIR + " " + TOOL + " failing");
  ExpectAnnotated(Live);
  EXPECT_EQ(Live.Status, 0);
}

TEST(Log, FailsInOneLineWithItsExitCode) {
  const struct {
    std::string Arguments;
    int Status;
  } Cases[] = {
      {"/nonexistent/boot.log", 1},
      {"--device " + BootLogFile(), 1}, // not a terminal
      {"--device /dev/null --baud 300", 2},
      {"--baud 115200 " + BootLogFile(), 2},
      {"--image " + BootLogFile(), 2},
      {"--timeout 0 " + BootLogFile(), 2},
      {"--build-dir /nonexistent " + BootLogFile(), 1},
  };
  for (const auto &Case : Cases) {
    const BOOT_LOG Run = RunCommand(TOOL + " " + Case.Arguments);
    EXPECT_EQ(Run.Status, Case.Status) << Case.Arguments;
    EXPECT_EQ(Run.Lines.size(), 1u) << Case.Arguments << ": " << Run.Output;
    EXPECT_EQ(Run.Output.rfind("tolvern-log: ", 0), 0u) << Run.Output;
  }
}

} // namespace
