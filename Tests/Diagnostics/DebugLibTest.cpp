// The assertion report's text, length limit and single write, and the level
// filter of debug messages.
#include "DiagnosticsSupport.h"

#include <Library/DebugLib.h>
#include <Uefi/UefiBaseType.h>

namespace {

using AssertReportTest = DiagnosticsTest;

TEST_F(AssertReportTest, SendsTheLineThenBreaksThenReturns) {
  AssertReport("f", 7, "a == b");
  EXPECT_EQ(Transmitted(), "ASSERT f(7): a == b\r\n");
  ASSERT_EQ(SentAtBreakpoint.size(), 1u);
  EXPECT_EQ(SentAtBreakpoint[0], "ASSERT f(7): a == b\r\n");
}

TEST_F(AssertReportTest, SendsTheWholeLineInOneWrite) {
  AssertReport("f", 7, "a == b");
  // One write of 21 bytes goes out as bursts of 16 and 5.
  EXPECT_EQ(Bursts(), (std::vector<UINTN>{16, 5}));
}

TEST_F(AssertReportTest, LongReportIsCutToTwoHundredFiftyFiveCharacters) {
  std::string FileName(300, 'f');
  AssertReport(FileName.c_str(), 1, "x");
  std::string Full = ReportText(FileName, 1, "x");
  EXPECT_EQ(Transmitted(), Full.substr(0, 255));
  ASSERT_EQ(SentAtBreakpoint.size(), 1u);
  EXPECT_EQ(SentAtBreakpoint[0], Full.substr(0, 255));
}

TEST_F(AssertReportTest, ReportOfExactlyTwoHundredFiftyFiveCharactersIsWhole) {
  // "ASSERT " (7) + file + "(1): x" (6) + CR LF (2) = 255.
  std::string FileName(240, 'g');
  AssertReport(FileName.c_str(), 1, "x");
  EXPECT_EQ(Transmitted(), ReportText(FileName, 1, "x"));
  EXPECT_EQ(Transmitted().size(), 255u);
}

TEST_F(AssertReportTest, NullTextsPrintAsNullStrings) {
  AssertReport(nullptr, 0, nullptr);
  EXPECT_EQ(Transmitted(), "ASSERT <null string>(0): <null string>\r\n");
}

TEST_F(AssertReportTest, LineNumbersAboveTwoToTheThirtyOnePrintSigned) {
  // The line goes through '%d', as a signed 32-bit number.
  AssertReport("f", 0xFFFFFFFF, "e");
  EXPECT_EQ(Transmitted(), "ASSERT f(-1): e\r\n");
}

TEST_F(AssertReportTest, ReportGoesNowhereWhenTheFifosAreOff) {
  BOARD_SETUP Setup;
  Setup.UartFifosBroken = TRUE;
  SIMULATED_BOARD Broken(Setup);
  HOST_PORT_SPACE_SCOPE BrokenScope(Broken);
  AssertReport("f", 7, "a == b");
  EXPECT_TRUE(Broken.UartTransmitted().empty());
  EXPECT_EQ(SentAtBreakpoint.size(), 1u) << "the breakpoint is raised all the same";
}

using DebugMessageTest = DiagnosticsTest;

TEST_F(DebugMessageTest, ErrorLevelSendsNothing) {
  DebugMessage(DEBUG_ERROR, "\nASSERT_EFI_ERROR (Status = %r)\n", EFI_DEVICE_ERROR);
  DebugMessage(0xFFFFFFFF, "every level %d\n", 1);
  EXPECT_TRUE(Board.Trace().empty()) << "not even a port access";
  EXPECT_TRUE(SentAtBreakpoint.empty());
}

} // namespace
