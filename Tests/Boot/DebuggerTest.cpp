// Debugging sessions on the emulated board: Scripts/boot.sh --gdb starts QEMU
// halted at the reset vector, gdb runs the build's Tolvern.gdb and then the
// test's commands in batch mode, and the test reads what gdb printed next to
// the boot's serial log and verdict. What gdb should show comes from the
// sources, the built image's header and the expected flash map.
#include "BootSession.h"
#include "ExpectedFlashMap.h"
#include "PeLayout.h"
#include "ToolRun.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

namespace {

struct SESSION {
  BOOT_LOG Boot; // boot.sh's output and exit status
  std::string Gdb;
  std::string GdbStatus;
  std::string Port;
};

// A port no one listens on now, for QEMU's stub.
int FreePort() {
  int Socket = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in Address{};
  Address.sin_family = AF_INET;
  Address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t Size = sizeof(Address);
  if (Socket < 0 || bind(Socket, reinterpret_cast<sockaddr *>(&Address), Size) != 0 ||
      getsockname(Socket, reinterpret_cast<sockaddr *>(&Address), &Size) != 0) {
    ADD_FAILURE() << "no free port";
  }
  close(Socket);
  return ntohs(Address.sin_port);
}

// Boots with BootArguments and --gdb, and runs gdb with the build's script
// and then Commands, with Environment ("NAME=value ..."); both are bounded by a timeout.
SESSION Debug(const std::string &Name, const std::string &BootArguments,
              const std::vector<std::string> &Commands, const std::string &Environment = "") {
  const std::string Base = std::string(TEST_OUTPUT_DIR) + Name;
  std::string CommandText;
  for (const std::string &Command : Commands) {
    CommandText += Command + "\n";
  }
  std::ofstream(Base + ".gdb") << CommandText;

  SESSION Session;
  const std::string &Port = Session.Port = std::to_string(FreePort());
  const std::string Boot = "bash '" + std::string(BOOT_SCRIPT) + "' --build-dir '" +
                           BOOT_BUILD_DIR + "' --no-build --timeout 60 --gdb " + Port + " " +
                           BootArguments + " > '" + Base + ".boot' 2>&1 &";
  const std::string Gdb = Environment + " TOLVERN_GDB_PORT=" + Port + " timeout 60 '" +
                          GDB_PROGRAM + "' -batch -nx -x '" + GDB_SCRIPT + "' -x '" + Base +
                          ".gdb' > '" + Base + ".out' 2>&1; echo $? > '" + Base + ".status'";
  std::ofstream(Base + ".sh") << Boot << "\n" << Gdb << "\nwait $!\n";

  Session.Boot = RunCommand("bash '" + Base + ".sh'"); // its status is boot.sh's
  SetLogText(Session.Boot, ReadFileText(Base + ".boot"));
  Session.Gdb = ReadFileText(Base + ".out");
  Session.GdbStatus = ReadFileText(Base + ".status");
  return Session;
}

// Each of Texts appears in Output, in this order.
void ExpectInOrder(const std::string &Output, const std::vector<std::string> &Texts) {
  size_t At = 0;
  for (const std::string &Text : Texts) {
    const size_t Found = Output.find(Text, At);
    EXPECT_NE(Found, std::string::npos) << "missing, or out of order: " << Text;
    if (Found != std::string::npos) {
      At = Found + Text.size();
    }
  }
}

void ExpectSuccess(const SESSION &Session) {
  EXPECT_TRUE(HasLine(Session.Boot, "[boot] verdict: success"));
  EXPECT_EQ(Session.Boot.Status, 0);
  EXPECT_EQ(Session.GdbStatus, "0\n");
}

// The number of the first line of Path at or after the one holding After
// that holds Text (1 for the first line), or 0.
int SourceLine(const std::string &Path, const std::string &After, const std::string &Text) {
  std::ifstream File(std::string(TOLVERN_SOURCE_DIR) + "/" + Path);
  std::string Line;
  bool Seen = false;
  for (int Number = 1; std::getline(File, Line); ++Number) {
    Seen = Seen || Line.find(After) != std::string::npos;
    if (Seen && Line.find(Text) != std::string::npos) {
      return Number;
    }
  }
  ADD_FAILURE() << "no '" << Text << "' after '" << After << "' in " << Path;
  return 0;
}

std::string Hex(uint32_t Value, const char *Format = "0x%x") {
  char Text[16];
  std::snprintf(Text, sizeof Text, Format, Value);
  return Text;
}

// A field of the image's optional header.
uint32_t ImageField(size_t Offset) {
  const std::vector<unsigned char> Bytes = ReadFileBytes(TOLVERN_IMAGE_FILE);
  const PeLayout::FILE_BYTES Image(Bytes.begin(), Bytes.end());
  return PeLayout::Get32(Image, PeLayout::OptionalHeader(Image) + Offset);
}

uint32_t EntryPoint() {
  return ImageField(PeLayout::IMAGE_BASE) + ImageField(PeLayout::ENTRY_POINT);
}

// gdb's loop: step until the frame is UartInit's (a few steps through the
// start-up functions inlined into PeimEntry).
const std::vector<std::string> STEP_INTO_UART_INIT = {
    "set $steps = 0",
    "while !$_caller_is(\"UartInit\", 0) && $steps < 10",
    "  step",
    "  set $steps = $steps + 1",
    "end",
};

TEST(Debugger, BreaksAtTheEntryPointAndStepsIntoUartInitToItsDivisor) {
  const std::string Entry = "Feature/Tolvern/PeimEntry.cpp";
  const std::string Uart = "Platform/PlatformSerialLib/UartInit.cpp";
  // The statement after the CMOS read.
  const int AfterRead = SourceLine(Uart, "EFI_STATUS UartInit(VOID)", "= SelectedDivisor();") + 1;
  std::vector<std::string> Commands = {"break PeimEntry", "continue", "print/x $pc"};
  Commands.insert(Commands.end(), STEP_INTO_UART_INIT.begin(), STEP_INTO_UART_INIT.end());
  Commands.insert(Commands.end(), {"tbreak UartInit.cpp:" + std::to_string(AfterRead), "continue",
                                   "print Divisor", "uart", "continue"});
  const SESSION Session = Debug("break-step", "--selector 0x20", Commands);
  SCOPED_TRACE(Session.Gdb + Session.Boot.Output);

  ExpectInOrder(Session.Gdb,
                {"Breakpoint 1, PeimEntry (",
                 "/" + Entry + ":" + std::to_string(SourceLine(Entry, "PeimEntry(", "{")),
                 "$1 = " + Hex(EntryPoint()), "UartInit () at ", "/" + Uart + ":",
                 "/" + Uart + ":" + std::to_string(AfterRead), "$2 = 6",
                 "uart: UartInit chose divisor 6 (19200 baud)"});
  EXPECT_GE(FindLine(Session.Boot, "[boot] uart 0x3F8: LCR 0x03 8-N-1, divisor 0x0006"), 0);
  ExpectSuccess(Session);
}

TEST(Debugger, ShowsTheRecordThePpisAndTheReturnedStatus) {
  const auto &Words = Expected::RECORD_WORDS;
  const size_t Region8 = Expected::REGIONS_WORD + 4 * 8;
  const int AfterReadBack =
      SourceLine("BootPlatform/BootMain.cpp", "", "ReadUartSettings(&Uart);") + 1;
  const SESSION Session =
      Debug("record-finish", "--selector 0x30",
            {"break PeimEntry", "continue", "print/x FlashMapRecord.Regions[8]", "ppis", "finish",
             "ppis", "flashmap", "tbreak BootMain.cpp:" + std::to_string(AfterReadBack), "continue",
             "uart", "continue"});
  SCOPED_TRACE(Session.Gdb + Session.Boot.Output);

  std::vector<std::string> Expected = {"$1 = {Base = " + Hex(Words[Region8]) +
                                           ", Size = " + Hex(Words[Region8 + 1]) +
                                           ", FirstBlock = " + Hex(Words[Region8 + 2]) +
                                           ", LastBlock = " + Hex(Words[Region8 + 3]) + "}",
                                       "0 PPIs installed, InstallPpi calls: 0",
                                       "Value returned is $2 = 0",
                                       "1 PPI installed, InstallPpi calls: 1",
                                       "  0: {E286BDA9-E33A-47B3-AA89-3F17CEDE5538} descriptor 0x",
                                       FLASH_MAP_PPI_LINE};
  for (const std::string &Line : ExpectedFlashMapLines()) {
    Expected.push_back(Line + "\n");
  }
  Expected.push_back("uart: read back by the boot platform: LCR 0x03, divisor 0x000C (9600 baud)");
  ExpectInOrder(Session.Gdb, Expected);
  ExpectSuccess(Session);
}

TEST(Debugger, StopsAtTheFailingConstructorsAssertionReport) {
  const SESSION Session =
      Debug("assertion", "--image failing",
            {"break AssertReport", "continue",
             "printf \"ASSERT %s(%d): %s\\n\", FileName, LineNumber, Expression",
             "print LineNumber", "bt", "continue"});
  SCOPED_TRACE(Session.Gdb + Session.Boot.Output);

  // The arguments gdb shows make the report the module sent.
  const int Report = FindLine(Session.Boot, "ASSERT ");
  ASSERT_GE(Report, 0);
  ExpectInOrder(Session.Gdb, {"Breakpoint 1", "AssertReport (FileName=",
                              Session.Boot.Lines[Report] + "\n", "$1 = 152", "#0  AssertReport (",
                              "RunConstructorList (", "PeimEntry (", "in BootMain ()"});
  EXPECT_TRUE(HasLine(Session.Boot, "[boot] breakpoints: 1"));
  ExpectSuccess(Session);
}

// Renamed copies of built images and symbol files stand for a flash built elsewhere
// (the failing variant's for an image not in it); PeimEntry's symbols come from the last pair.
TEST(Debugger, LoadsTheSymbolsOfAnImageNamedForIt) {
  const auto Pair = [](const std::string &Built, const std::string &Name) {
    WriteFileBytes(ScratchPath(Name + ".efi"), ReadFileBytes(Built + ".efi"));
    WriteFileBytes(ScratchPath(Name + ".symbols"), ReadFileBytes(Built + ".debug.elf"));
    return ScratchPath(Name + ".efi") + " " + ScratchPath(Name + ".symbols");
  };
  const std::string Base = Hex(ImageField(PeLayout::IMAGE_BASE), "0x%08X");
  Pair(TOLVERN_FIRMWARE_DIR "TolvernImage", "board");
  const SESSION Session = Debug(
      "given-image", "",
      {"tolvern-symbols " + Pair(TOLVERN_FIRMWARE_DIR "TolvernImageFailingConstructor", "other"),
       "tolvern-symbols " + Pair(TOLVERN_FIRMWARE_DIR "TolvernImage", "again") + " " + Base,
       "break PeimEntry", "continue",
       "python print(gdb.selected_frame().find_sal().symtab.objfile.filename)", "continue"},
      "TOLVERN_IMAGE='" + ScratchPath("board.efi") + "' TOLVERN_SYMBOLS='" +
          ScratchPath("board.symbols") + "'");
  SCOPED_TRACE(Session.Gdb + Session.Boot.Output);

  ExpectInOrder(Session.Gdb, {"tolvern: " + Base + " board.efi: symbols from board.symbols",
                              "tolvern: " + Base + " holds none of other.efi: no symbols there",
                              "tolvern: " + Base + " again.efi: symbols from again.symbols",
                              "Breakpoint 1, PeimEntry (", ScratchPath("again.symbols") + "\n"});
  ExpectSuccess(Session);
}

// gdb with no board at its port, never started or ended, says so in one line.
TEST(Debugger, SaysInOneLineThatNoBoardIsThere) {
  const SESSION Ended = Debug("ended", "", {"continue"});
  ExpectSuccess(Ended);
  for (const std::string &Port : {std::to_string(FreePort()), Ended.Port}) {
    const TOOL_RUN Gdb = RunTool(
        {"env", "TOLVERN_GDB_PORT=" + Port, GDB_PROGRAM, "-batch", "-nx", "-x", GDB_SCRIPT});
    const std::regex OneLine("tolvern: no board at 127\\.0\\.0\\.1:" + Port + " [^\n]*: start it " +
                             "with bash Scripts/boot\\.sh --gdb " + Port + "\n");
    EXPECT_TRUE(std::regex_match(Gdb.Stderr, OneLine)) << Gdb.Stderr;
    EXPECT_EQ(Gdb.ExitCode, 1);
  }
}

} // namespace
