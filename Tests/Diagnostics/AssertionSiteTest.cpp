// Every assertion site of the module: its exact report on the UART, the
// breakpoint after the text went out, and the sound way the component carries
// on. A site reached from more than one component has a row for each.
#include "DiagnosticsSupport.h"
#include "FailingConstructor.h"
#include "FakePeiServices.h"
#include "StartUp.h"

#include <Library/AssertSites.h>
#include <Library/BaseLib.h>
#include <Library/DebugLib.h>
#include <Library/IoLib.h>
#include <Library/PrintLib.h>
#include <PrintLibInternal.h>

#include <fstream>
#include <iterator>

namespace {

struct ASSERTION_SITE {
  const char *Component;
  // Makes the check fail and checks what the component does after the report.
  VOID (*Trigger)(SIMULATED_BOARD &Board);
  ASSERT_SITE_ID Site; // whose texts the report carries
};

VOID FailConstructor(SIMULATED_BOARD &) {
  FAKE_PEI_SERVICES Services;
  EXPECT_EQ(StartModule(&FailingConstructorList[1], 1, Services.Pointer()), EFI_SUCCESS);
  EXPECT_EQ(Services.Calls.size(), 1u) << "the PPI is installed all the same";
}

VOID DebugMessageWithoutFormat(SIMULATED_BOARD &) {
  DebugMessage(DEBUG_ERROR, nullptr);
}

VOID LengthOfNull(SIMULATED_BOARD &) {
  EXPECT_EQ(AsciiLength(nullptr), 0u);
}

VOID FormatWithoutFormat(SIMULATED_BOARD &) {
  CHAR8 Buffer[4] = {'x', 'x', 'x', 'x'};
  EXPECT_EQ(FormatToBuffer(Buffer, 3, nullptr), 0u);
  EXPECT_EQ(std::string(Buffer, 4), std::string("\0xxx", 4)) << "an empty text, nothing more";
}

VOID FormatIntoNull(SIMULATED_BOARD &) {
  EXPECT_EQ(FormatToBuffer(nullptr, 16, "%d", 1), 0u);
}

VOID DigitsInRadixZero(SIMULATED_BOARD &) {
  CHAR8 Scratch[VALUE_BUFFER_SIZE];
  EXPECT_EQ(ValueToDigits(Scratch, 12345, 0, 0), Scratch + 1) << "stops after one digit";
  EXPECT_EQ(Scratch[1], '0');
}

VOID DivideByZero(SIMULATED_BOARD &) {
  UINT32 Remainder = 0xDEAD;
  EXPECT_EQ(DivU64x32Remainder(1234, 0, &Remainder), 0u);
  EXPECT_EQ(Remainder, 0u);
}

VOID Load16FromNull(SIMULATED_BOARD &) {
  EXPECT_EQ(ReadUnaligned16(nullptr), 0u);
}

VOID Load32FromNull(SIMULATED_BOARD &) {
  EXPECT_EQ(ReadUnaligned32(nullptr), 0u);
}

VOID Write32ToUnalignedPort(SIMULATED_BOARD &Board) {
  EXPECT_EQ(PortOut32(0x3FA, 0xCAFEF00D), 0xCAFEF00Du);
  ASSERT_FALSE(Board.Trace().empty());
  EXPECT_EQ(Board.Trace().back(), (PORT_ACCESS{TRUE, 4, 0x3FA, 0xCAFEF00D}))
      << "the write still happens, after the report";
}

const ASSERTION_SITE Sites[] = {
    {"PeimEntry", FailConstructor, ASSERT_SITE_CONSTRUCTOR_STATUS},
    {"DebugMessage", DebugMessageWithoutFormat, ASSERT_SITE_DEBUG_FORMAT},
    {"AsciiLength", LengthOfNull, ASSERT_SITE_STRING_LENGTH},
    {"FormatWorkerFormat", FormatWithoutFormat, ASSERT_SITE_STRING_LENGTH},
    {"FormatWorkerBuffer", FormatIntoNull, ASSERT_SITE_FORMAT_BUFFER},
    {"ValueToDigits", DigitsInRadixZero, ASSERT_SITE_DIVISOR},
    {"DivU64x32Remainder", DivideByZero, ASSERT_SITE_DIVISOR},
    {"ReadUnaligned16", Load16FromNull, ASSERT_SITE_UNALIGNED16},
    {"ReadUnaligned32", Load32FromNull, ASSERT_SITE_UNALIGNED32},
    {"PortOut32", Write32ToUnalignedPort, ASSERT_SITE_PORT_OUT32},
};

class AssertionSiteTest : public DiagnosticsTest,
                          public ::testing::WithParamInterface<ASSERTION_SITE> {};

TEST_P(AssertionSiteTest, ReportsOnceThenBreaksThenReturns) {
  const ASSERTION_SITE &Site = GetParam();
  const ASSERT_SITE &Texts = AssertSites[Site.Site];
  std::string Expected = ReportText(Texts.FileName, Texts.LineNumber, Texts.Expression);

  Site.Trigger(Board);

  EXPECT_EQ(Transmitted(), Expected);
  ASSERT_EQ(SentAtBreakpoint.size(), 1u) << "one breakpoint";
  EXPECT_EQ(SentAtBreakpoint[0], Expected) << "the whole text is out before the breakpoint";
}

INSTANTIATE_TEST_SUITE_P(EverySite, AssertionSiteTest, ::testing::ValuesIn(Sites),
                         [](const ::testing::TestParamInfo<ASSERTION_SITE> &Info) {
                           return std::string(Info.param.Component);
                         });

// Each entry names where its check lives in this tree: the function, in that
// source file, holds the report naming the site.
TEST(AssertionSiteTable, NamesTheRealSourceOfEverySite) {
  for (const ASSERT_SITE &Site : AssertSites) {
    std::ifstream File(std::string(TOLVERN_SOURCE_DIR "/") + Site.SourceFile);
    std::string Source((std::istreambuf_iterator<char>(File)), std::istreambuf_iterator<char>());
    size_t Function = Source.find(std::string(Site.Function) + "(");
    ASSERT_NE(Function, std::string::npos) << Site.SourceFile << ": " << Site.Function;
    EXPECT_NE(Source.find("REPORT_ASSERT_SITE(", Function), std::string::npos) << Site.SourceFile;
  }
}

} // namespace
