// Boots flash images on QEMU's q35 board through Scripts/boot.sh and checks
// the serial log: how the boot platform dispatched the volume's PEIMs, what
// the module did to the UART, the flash map the consumer PEIM reads through
// the PPI and prints, and the emulator's verdict.
#include "BootSession.h"
#include "FakePe32.h"

#include <FirmwareVolume.h>
#include <Guid.h>
#include <Library/AssertSites.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

using namespace HostTools;

BOOT_LOG Boot(const std::string &Arguments) {
  return RunCommand(std::string("bash ") + BOOT_SCRIPT + " --build-dir " + BOOT_BUILD_DIR +
                    " --no-build --timeout 60 " + Arguments);
}

// Index of the first line that starts with Prefix and ends with Suffix, or -1.
int FindLine(const BOOT_LOG &Log, const std::string &Prefix, const std::string &Suffix) {
  for (size_t Index = 0; Index < Log.Lines.size(); ++Index) {
    const std::string &Each = Log.Lines[Index];
    if (Each.size() >= Prefix.size() + Suffix.size() && Each.rfind(Prefix, 0) == 0 &&
        Each.compare(Each.size() - Suffix.size(), Suffix.size(), Suffix) == 0) {
      return static_cast<int>(Index);
    }
  }
  return -1;
}

const std::string MODULE = std::string("{") + TOLVERN_FILE_GUID + "} Tolvern";
const std::string CONSUMER = std::string("{") + CONSUMER_FILE_GUID + "} FlashMapConsumer";

std::string Hex(UINT32 Value) {
  char Text[16];
  std::snprintf(Text, sizeof Text, "0x%08X", Value);
  return Text;
}

// Where the build linked the consumer: the "/base:0x..." it gave the linker.
std::string ConsumerAddress() {
  std::ifstream File(CONSUMER_BASE_FILE);
  std::string Response;
  File >> Response;
  return Response.substr(Response.find(':') + 1);
}

// The dispatcher skips the consumer until the module has installed the PPI;
// the consumer then prints the exact record, and the boot succeeds.
VOID ExpectDispatchFlashMapAndSuccess(const BOOT_LOG &Log) {
  const int Volume = FindLine(Log, "[pei] FV at 0xFFF60000, 0x000A0000 bytes, 5 files");
  const int Skipped =
      FindLine(Log, "[pei] not dispatched " + CONSUMER + ": its dependency is not satisfied");
  const int Module =
      FindLine(Log, "[pei] dispatch " + MODULE + " at " + Expected::ImageBaseText() + ": Success");
  const int Printed = FindLine(Log, FLASH_MAP_PPI_LINE);
  const int Consumer =
      FindLine(Log, "[pei] dispatch " + CONSUMER + " at " + ConsumerAddress() + ": Success");
  EXPECT_GE(Volume, 0);
  EXPECT_GT(Skipped, Volume);
  EXPECT_GT(Module, Skipped);
  EXPECT_GT(Printed, Module);
  EXPECT_GT(Consumer, Printed);
  EXPECT_GE(FindLine(Log, FLASH_MAP_PPI_LINE, ", its rules hold"), 0);
  EXPECT_EQ(FlashMapFields(Log), ExpectedFlashMapLines());
  EXPECT_TRUE(HasLine(Log, "[pei] 2 of 2 PEIMs dispatched in 3 passes"));
  EXPECT_TRUE(HasLine(Log, "[boot] InstallPpi calls: 1, descriptors recorded: 1"));
  EXPECT_TRUE(HasLine(Log, "[boot] verdict: success"));
  EXPECT_GE(FindLine(Log, "boot.sh: verdict success (emulator exit code 33)"), 0);
  EXPECT_EQ(Log.Status, 0);
}

struct SELECTOR_CASE {
  const char *Selector;
  const char *Divisor; // as the log reads it back from the divisor latch
};

// Test names and failure messages show the case, not its bytes.
void PrintTo(const SELECTOR_CASE &Case, std::ostream *Stream) {
  *Stream << '"' << Case.Selector << '"';
}

const SELECTOR_CASE SELECTORS[] = {
    {"0x00", "0x0001 (115200 baud)"},
    {"0x10", "0x0002 (57600 baud)"},
    {"0x20", "0x0006 (19200 baud)"},
    {"0x30", "0x000C (9600 baud)"},
};

class BootWithSelector : public testing::TestWithParam<SELECTOR_CASE> {};

TEST_P(BootWithSelector, ProgramsTheUartAndPublishesTheFlashMap) {
  BOOT_LOG Log = Boot(std::string("--selector ") + GetParam().Selector);
  SCOPED_TRACE(Log.Output);
  EXPECT_TRUE(HasLine(Log, std::string("[boot] baud selector: ") + GetParam().Selector +
                               " from opt/tolvern/baud-select, CMOS 0x6F was " +
                               GetParam().Selector + " when the module ran"));
  EXPECT_GE(FindLine(Log, std::string("[boot] uart 0x3F8: LCR 0x03 8-N-1, divisor ") +
                              GetParam().Divisor),
            0);
  // The module's LPC decode write, as the bridge reads it back.
  EXPECT_TRUE(HasLine(Log, "[boot] lpc decode (0:31.0 register 0x80): 0x040B1010"));
  ExpectDispatchFlashMapAndSuccess(Log);
  EXPECT_TRUE(HasLine(Log, "[boot] breakpoints: 0"));
  EXPECT_EQ(Log.Output.find("ASSERT"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Selectors, BootWithSelector, testing::ValuesIn(SELECTORS),
                         [](const auto &Info) { return std::string(Info.param.Selector); });

TEST(Boot, FailingConstructorIsReportedAndStartUpGoesOn) {
  BOOT_LOG Log = Boot("--image failing --selector 0x10");
  SCOPED_TRACE(Log.Output);
  const ASSERT_SITE &Site = AssertSites[ASSERT_SITE_CONSTRUCTOR_STATUS];
  const std::string Report = std::string("ASSERT ") + Site.FileName + "(" +
                             std::to_string(Site.LineNumber) + "): " + Site.Expression + "\r\n";
  size_t ReportAt = Log.Output.find(Report);
  size_t BreakpointAt = Log.Output.find("[boot] breakpoint: INT3 at 0xFFF9");
  size_t FlashMapAt = Log.Output.find(FLASH_MAP_PPI_LINE);
  ASSERT_NE(ReportAt, std::string::npos);
  ASSERT_NE(BreakpointAt, std::string::npos);
  ASSERT_NE(FlashMapAt, std::string::npos);
  EXPECT_EQ(BreakpointAt, ReportAt + Report.size()) << "the note follows the report directly";
  EXPECT_LT(BreakpointAt, FlashMapAt);
  EXPECT_GE(FindLine(Log, "[boot] uart 0x3F8: LCR 0x03 8-N-1, divisor 0x0002 (57600 baud)"), 0);
  EXPECT_TRUE(HasLine(Log, "[boot] breakpoints: 1"));
  ExpectDispatchFlashMapAndSuccess(Log);
}

// Built to hold after an assertion: the report stays on the log (no INT3, no
// reset), nothing after it runs, and boot.sh names the hold.
TEST(Boot, DeadloopImageHoldsAfterItsReport) {
  BOOT_LOG Log = Boot(std::string("--flash ") + BOOT_DEADLOOP_FLASH_IMAGE + " --timeout 10");
  SCOPED_TRACE(Log.Output);
  const ASSERT_SITE &Site = AssertSites[ASSERT_SITE_CONSTRUCTOR_STATUS];
  EXPECT_TRUE(HasLine(Log, std::string("ASSERT ") + Site.FileName + "(" +
                               std::to_string(Site.LineNumber) + "): " + Site.Expression));
  EXPECT_EQ(FindLine(Log, "[boot] breakpoint"), -1);
  EXPECT_EQ(FindLine(Log, "[flash-map]"), -1);
  EXPECT_GE(FindLine(Log, "boot.sh: verdict failure: no verdict within 10s: held in"), 0);
  EXPECT_EQ(Log.Status, 1);
}

// The other two switches on the board: the error message before the report,
// and a report with no breakpoint after it; start-up goes on either way.
TEST(Boot, BringUpSwitchesShowOnTheSerialLog) {
  const ASSERT_SITE &Site = AssertSites[ASSERT_SITE_CONSTRUCTOR_STATUS];
  const std::string Report = std::string("ASSERT ") + Site.FileName + "(" +
                             std::to_string(Site.LineNumber) + "): " + Site.Expression;
  BOOT_LOG Verbose = Boot(std::string("--flash ") + BOOT_VERBOSE_FLASH_IMAGE);
  const int Message = FindLine(Verbose, "ASSERT_EFI_ERROR (Status = Device Error)");
  EXPECT_GE(Message, 0) << Verbose.Output;
  EXPECT_GT(FindLine(Verbose, Report), Message) << Verbose.Output;
  EXPECT_EQ(Verbose.Status, 0) << Verbose.Output;

  BOOT_LOG Continue = Boot(std::string("--flash ") + BOOT_CONTINUE_FLASH_IMAGE);
  EXPECT_TRUE(HasLine(Continue, Report)) << Continue.Output;
  EXPECT_EQ(FindLine(Continue, "[boot] breakpoint:"), -1) << Continue.Output;
  EXPECT_TRUE(HasLine(Continue, "[boot] breakpoints: 0")) << Continue.Output;
  EXPECT_EQ(Continue.Status, 0) << Continue.Output;
}

TEST(Boot, RefusesAMalformedSelectorWithoutStartingTheModule) {
  BOOT_LOG Log = Boot("--raw-selector 0xZZ");
  SCOPED_TRACE(Log.Output);
  EXPECT_GE(FindLine(Log, "[boot] baud selector: bad text \"0xZZ\""), 0);
  EXPECT_TRUE(HasLine(Log, "[boot] not starting the module"));
  EXPECT_EQ(FindLine(Log, "[pei]"), -1);
  EXPECT_GE(FindLine(Log, "boot.sh: verdict failure (emulator exit code 35)"), 0);
  EXPECT_EQ(Log.Status, 1);
}

std::vector<UINT8> ReadBytes(const std::string &Path) {
  std::ifstream File(Path, std::ios::binary);
  return std::vector<UINT8>(std::istreambuf_iterator<char>(File), std::istreambuf_iterator<char>());
}

void WriteBytes(const std::string &Path, const std::vector<UINT8> &Bytes) {
  std::ofstream(Path, std::ios::binary)
      .write(reinterpret_cast<const char *>(Bytes.data()),
             static_cast<std::streamsize>(Bytes.size()));
}

// The module's file in the built flash image: where its header starts.
size_t ModuleFileOffset(const std::vector<UINT8> &Flash) {
  const size_t VolumeOffset = 0xFFF60000 - 0xFF000000;
  const FIRMWARE_VOLUME Volume = ReadFirmwareVolume(Flash, VolumeOffset);
  for (const FFS_FILE &File : Volume.Files) {
    if (File.Name == ParseGuid(TOLVERN_FILE_GUID)) {
      return VolumeOffset + File.Offset;
    }
  }
  throw std::runtime_error("no module file in the flash image");
}

// One flipped byte in the module file's header: the volume is refused before
// anything runs, the consumer never dispatched, the verdict reached quickly.
TEST(Boot, DamagedModuleFileIsRefusedAndTheBootFails) {
  std::vector<UINT8> Flash = ReadBytes(BOOT_FLASH_IMAGE);
  const size_t Module = ModuleFileOffset(Flash);
  Flash.at(Module + 2) ^= 0x01;
  const std::string Damaged = std::string(TEST_OUTPUT_DIR) + "damaged-module.bin";
  WriteBytes(Damaged, Flash);
  BOOT_LOG Log = Boot("--flash " + Damaged);
  SCOPED_TRACE(Log.Output);
  EXPECT_TRUE(HasLine(Log, "[pei] FV at 0xFFF60000 refused at offset " +
                               Hex(static_cast<UINT32>(Module - 0xF60000)) +
                               ": file header checksum does not sum to 0"));
  EXPECT_EQ(FindLine(Log, "[pei] dispatch"), -1);
  EXPECT_EQ(FindLine(Log, "[flash-map]"), -1);
  // Nothing of the module's to read back: no line says it ran.
  EXPECT_TRUE(HasLine(Log, "[boot] baud selector: none requested, CMOS 0x6F reads 0x00; the "
                           "module never ran"));
  EXPECT_EQ(FindLine(Log, "[boot] uart"), -1);
  EXPECT_EQ(FindLine(Log, "[boot] lpc decode"), -1);
  EXPECT_GE(FindLine(Log, "boot.sh: verdict failure (emulator exit code 35)"), 0);
  EXPECT_EQ(Log.Status, 1);
}

// Modules made here, to see the boot platform's own behaviour.
BOOT_LOG BootFakeModule(const std::string &Name, const FAKE_PE32 &Fake) {
  std::string Module = std::string(TEST_OUTPUT_DIR) + Name + ".ffs";
  std::string Flash = std::string(TEST_OUTPUT_DIR) + Name + ".bin";
  WriteBytes(Module, MakeFakePeimFile(Fake, "FakeModule"));
  BOOT_LOG Built =
      RunCommand(std::string(FLASH_IMAGE_TOOL) + " --peim " + CONSUMER_FILE + " --module " +
                 Module + " --address " + Expected::ImageBaseText() + " --platform " +
                 BOOT_PLATFORM_BIN + " --platform-address " + BOOT_PLATFORM_BASE + " --flash-map " +
                 TOLVERN_IMAGE_FILE + " --output " + Flash);
  EXPECT_EQ(Built.Status, 0) << Built.Output;
  return Boot("--flash " + Flash);
}

TEST(Boot, BreakpointIsNotedAndResumedAndAnErrorStatusFailsTheBoot) {
  FAKE_PE32 Fake;
  Fake.Code = {0xCC, 0xB8, 0x0E, 0x00, 0x00, 0x80, 0xC3}; // int3; mov eax, 0x8000000E; ret
  BOOT_LOG Log = BootFakeModule("breakpoint", Fake);
  SCOPED_TRACE(Log.Output);
  EXPECT_TRUE(HasLine(Log, "[boot] breakpoint: INT3 at 0xFFF94600 (FakeModule +0x0160), resuming"));
  EXPECT_GE(FindLine(Log, "[pei] dispatch {",
                     "} FakeModule at " + Expected::ImageBaseText() + ": Not Found"),
            0);
  // No PPI: the consumer waits through both passes and is never called.
  EXPECT_EQ(FindLine(Log, "[flash-map]"), -1);
  EXPECT_TRUE(HasLine(Log, "[pei] 1 of 2 PEIMs dispatched in 2 passes"));
  EXPECT_TRUE(HasLine(Log, "[boot] breakpoints: 1"));
  EXPECT_GE(FindLine(Log, "boot.sh: verdict failure (emulator exit code 35)"), 0);
  EXPECT_EQ(Log.Status, 1);
}

TEST(Boot, OtherExceptionsEndTheBootAsAFailure) {
  FAKE_PE32 Fake;
  Fake.Code = {0x90, 0x0F, 0x0B}; // nop; ud2
  BOOT_LOG Log = BootFakeModule("invalid-opcode", Fake);
  SCOPED_TRACE(Log.Output);
  const int Exception = FindLine(Log, "[boot] exception 6 (#UD invalid opcode) at 0xFFF94601 "
                                      "(FakeModule +0x0161), error code 0x00000000");
  EXPECT_GE(Exception, 0);
  // The lines held while the PEIM ran come out before the exception's.
  const int Held = FindLine(Log, "[pei] FV at 0xFFF60000");
  EXPECT_GE(Held, 0);
  EXPECT_LT(Held, Exception);
  EXPECT_EQ(FindLine(Log, "[pei] dispatch"), -1);
  EXPECT_GE(FindLine(Log, "boot.sh: verdict failure (emulator exit code 35)"), 0);
  EXPECT_EQ(Log.Status, 1);
}

} // namespace
