// Boots flash images on QEMU's q35 board through Scripts/boot.sh and checks
// the serial log: what the module did to the UART, the flash map a consumer
// reads through the PPI, the module's status and the emulator's verdict.
#include "FakePe32.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

struct BOOT_LOG {
  int Status = -1;                // of boot.sh: 0 when the boot platform reported success
  std::string Output;             // serial log and boot.sh's own lines, CR LF kept
  std::vector<std::string> Lines; // without line ends
};

BOOT_LOG RunCommand(const std::string &Command) {
  BOOT_LOG Log;
  FILE *Pipe = popen((Command + " 2>&1").c_str(), "r");
  if (Pipe == nullptr) {
    return Log;
  }
  char Buffer[512];
  size_t Count;
  while ((Count = std::fread(Buffer, 1, sizeof(Buffer), Pipe)) > 0) {
    Log.Output.append(Buffer, Count);
  }
  int Status = pclose(Pipe);
  Log.Status = WIFEXITED(Status) ? WEXITSTATUS(Status) : -1;
  size_t Start = 0;
  while (Start < Log.Output.size()) {
    size_t End = Log.Output.find('\n', Start);
    if (End == std::string::npos) {
      End = Log.Output.size();
    }
    std::string Line = Log.Output.substr(Start, End - Start);
    if (!Line.empty() && Line.back() == '\r') {
      Line.pop_back();
    }
    Log.Lines.push_back(Line);
    Start = End + 1;
  }
  return Log;
}

BOOT_LOG Boot(const std::string &Arguments) {
  return RunCommand(std::string("bash ") + BOOT_SCRIPT + " --build-dir " + BOOT_BUILD_DIR +
                    " --no-build --timeout 60 " + Arguments);
}

// Index of the first line that starts with Prefix, or -1.
int FindLine(const BOOT_LOG &Log, const std::string &Prefix) {
  for (size_t Index = 0; Index < Log.Lines.size(); ++Index) {
    if (Log.Lines[Index].rfind(Prefix, 0) == 0) {
      return static_cast<int>(Index);
    }
  }
  return -1;
}

bool HasLine(const BOOT_LOG &Log, const std::string &Line) {
  for (const std::string &Each : Log.Lines) {
    if (Each == Line) {
      return true;
    }
  }
  return false;
}

// The record as published, written out here independently of the module.
const std::vector<std::string> kExpectedFlashMap = {
    "[flash-map] BlockSize 0x00010000",
    "[flash-map] FlashSize 0x01000000",
    "[flash-map] FlashBase 0xFF000000",
    "[flash-map] FirmwareAreaSize 0x00CF0000",
    "[flash-map] FirmwareAreaBase 0xFF310000",
    "[flash-map] Region 0: Base 0xFF310000 Size 0x00470000 FirstBlock 49 LastBlock 119",
    "[flash-map] Region 1: Base 0xFF780000 Size 0x00040000 FirstBlock 120 LastBlock 123",
    "[flash-map] Region 2: Base 0xFF7C0000 Size 0x00010000 FirstBlock 124 LastBlock 124",
    "[flash-map] Region 3: Base 0xFF7D0000 Size 0x000A0000 FirstBlock 125 LastBlock 134",
    "[flash-map] Region 4: Base 0xFF870000 Size 0x00020000 FirstBlock 135 LastBlock 136",
    "[flash-map] Region 5: Base 0xFF890000 Size 0x00020000 FirstBlock 137 LastBlock 138",
    "[flash-map] Region 6: Base 0xFF8B0000 Size 0x00010000 FirstBlock 139 LastBlock 139",
    "[flash-map] Region 7: Base 0xFF8C0000 Size 0x00010000 FirstBlock 140 LastBlock 140",
    "[flash-map] Region 8: Base 0xFF8E0000 Size 0x00010000 FirstBlock 142 LastBlock 142",
    "[flash-map] Region 9: Base 0xFF8D0000 Size 0x00010000 FirstBlock 141 LastBlock 141",
    "[flash-map] Region 10: Base 0xFFE00000 Size 0x00040000 FirstBlock 224 LastBlock 227",
    "[flash-map] Region 11: Base 0xFFE40000 Size 0x000D0000 FirstBlock 228 LastBlock 240",
    "[flash-map] Region 12: Base 0xFFF10000 Size 0x00050000 FirstBlock 241 LastBlock 245",
    "[flash-map] Region 13: Base 0xFFF60000 Size 0x000A0000 FirstBlock 246 LastBlock 255",
    "[flash-map] SubRange 0: Base 0xFF7D0000 Size 0x0004C000",
    "[flash-map] SubRange 1: Base 0xFF81C000 Size 0x00002000",
    "[flash-map] SubRange 2: Base 0xFF81E000 Size 0x00002000",
    "[flash-map] SubRange 3: Base 0xFF820000 Size 0x00050000",
    "[flash-map] Trailer 0x00020000",
};

const std::string kFlashMapPpiLine =
    "[flash-map] ppi {E286BDA9-E33A-47B3-AA89-3F17CEDE5538}: descriptor flags 0x80000010";

std::vector<std::string> FlashMapFields(const BOOT_LOG &Log) {
  std::vector<std::string> Fields;
  for (const std::string &Line : Log.Lines) {
    if (Line.rfind("[flash-map] ", 0) == 0 && Line.rfind("[flash-map] ppi ", 0) != 0) {
      Fields.push_back(Line);
    }
  }
  return Fields;
}

VOID ExpectFlashMapAndSuccess(const BOOT_LOG &Log) {
  EXPECT_TRUE(HasLine(Log, "[boot] module status: 0x00000000 Success"));
  EXPECT_TRUE(HasLine(Log, "[boot] InstallPpi calls: 1, descriptors recorded: 1"));
  EXPECT_GE(FindLine(Log, kFlashMapPpiLine), 0);
  EXPECT_EQ(FlashMapFields(Log), kExpectedFlashMap);
  EXPECT_TRUE(HasLine(Log, "[boot] verdict: success"));
  EXPECT_GE(FindLine(Log, "boot: verdict success (emulator exit code 33)"), 0);
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

const SELECTOR_CASE kSelectors[] = {
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
  ExpectFlashMapAndSuccess(Log);
  EXPECT_TRUE(HasLine(Log, "[boot] breakpoints: 0"));
  EXPECT_EQ(Log.Output.find("ASSERT"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Selectors, BootWithSelector, testing::ValuesIn(kSelectors),
                         [](const auto &Info) { return std::string(Info.param.Selector); });

TEST(Boot, FailingConstructorIsReportedAndStartUpGoesOn) {
  BOOT_LOG Log = Boot("--image failing --selector 0x10");
  SCOPED_TRACE(Log.Output);
  const std::string Report =
      "ASSERT u:\\Build\\OrvikKelvanePkg\\DEBUG_MYTOOLS\\IA32\\OrvikPkgs\\OrvikPlatformPkgs"
      "\\OrvikAutoGeneratedSourcePkg\\OrvikKelvanePkg\\Feature\\Tolvern\\Tolvern\\DEBUG\\AutoGen"
      "(152): !EFI_ERROR (Status)\r\n";
  size_t ReportAt = Log.Output.find(Report);
  size_t BreakpointAt = Log.Output.find("[boot] breakpoint: INT3 at 0xFFF9");
  size_t FlashMapAt = Log.Output.find(kFlashMapPpiLine);
  ASSERT_NE(ReportAt, std::string::npos);
  ASSERT_NE(BreakpointAt, std::string::npos);
  ASSERT_NE(FlashMapAt, std::string::npos);
  EXPECT_EQ(BreakpointAt, ReportAt + Report.size()) << "the note follows the report directly";
  EXPECT_LT(BreakpointAt, FlashMapAt);
  EXPECT_GE(FindLine(Log, "[boot] uart 0x3F8: LCR 0x03 8-N-1, divisor 0x0002 (57600 baud)"), 0);
  EXPECT_TRUE(HasLine(Log, "[boot] breakpoints: 1"));
  ExpectFlashMapAndSuccess(Log);
}

TEST(Boot, RefusesAMalformedSelectorWithoutStartingTheModule) {
  BOOT_LOG Log = Boot("--selector 0xZZ");
  SCOPED_TRACE(Log.Output);
  EXPECT_GE(FindLine(Log, "[boot] baud selector: bad text \"0xZZ\""), 0);
  EXPECT_TRUE(HasLine(Log, "[boot] not starting the module"));
  EXPECT_EQ(FindLine(Log, "[boot] module status"), -1);
  EXPECT_GE(FindLine(Log, "boot: verdict failure (emulator exit code 35)"), 0);
  EXPECT_EQ(Log.Status, 1);
}

// Modules made here, to see the boot platform's own behaviour.
BOOT_LOG BootFakeModule(const std::string &Name, const FAKE_PE32 &Fake) {
  std::string Module = std::string(TEST_OUTPUT_DIR) + Name + ".efi";
  std::string Flash = std::string(TEST_OUTPUT_DIR) + Name + ".bin";
  std::vector<UINT8> Bytes = MakeFakePe32(Fake);
  std::ofstream(Module, std::ios::binary)
      .write(reinterpret_cast<const char *>(Bytes.data()),
             static_cast<std::streamsize>(Bytes.size()));
  BOOT_LOG Built = RunCommand(std::string(FLASH_IMAGE_TOOL) + " --module " + Module +
                              " --address 0xFFF944A0 --platform " + BOOT_PLATFORM_BIN +
                              " --platform-address " + BOOT_PLATFORM_BASE + " --output " + Flash);
  EXPECT_EQ(Built.Status, 0) << Built.Output;
  return Boot("--flash " + Flash);
}

TEST(Boot, BreakpointIsNotedAndResumedAndAnErrorStatusFailsTheBoot) {
  FAKE_PE32 Fake;
  Fake.Code = {0xCC, 0xB8, 0x0E, 0x00, 0x00, 0x80, 0xC3}; // int3; mov eax, 0x8000000E; ret
  BOOT_LOG Log = BootFakeModule("breakpoint", Fake);
  SCOPED_TRACE(Log.Output);
  EXPECT_TRUE(
      HasLine(Log, "[boot] breakpoint: INT3 at 0xFFF94600 (module image +0x0160), resuming"));
  EXPECT_TRUE(HasLine(Log, "[boot] module status: 0x8000000E error"));
  EXPECT_GE(FindLine(Log, "[flash-map] ppi {E286BDA9-E33A-47B3-AA89-3F17CEDE5538}: not found"), 0);
  EXPECT_TRUE(HasLine(Log, "[boot] breakpoints: 1"));
  EXPECT_GE(FindLine(Log, "boot: verdict failure (emulator exit code 35)"), 0);
  EXPECT_EQ(Log.Status, 1);
}

TEST(Boot, OtherExceptionsEndTheBootAsAFailure) {
  FAKE_PE32 Fake;
  Fake.Code = {0x90, 0x0F, 0x0B}; // nop; ud2
  BOOT_LOG Log = BootFakeModule("invalid-opcode", Fake);
  SCOPED_TRACE(Log.Output);
  EXPECT_GE(FindLine(Log, "[boot] exception 6 (#UD invalid opcode) at 0xFFF94601 (module image "
                          "+0x0161), error code 0x00000000"),
            0);
  EXPECT_EQ(FindLine(Log, "[boot] module status"), -1);
  EXPECT_GE(FindLine(Log, "boot: verdict failure (emulator exit code 35)"), 0);
  EXPECT_EQ(Log.Status, 1);
}

} // namespace
