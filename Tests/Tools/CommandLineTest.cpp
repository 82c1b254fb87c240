// Every tool's command line under the errors users make: a usage error is one
// line "TOOL: what is wrong" and exit status 2, a bad input file one line that
// names it with the tool's documented status, and nothing on stdout.
#include "ToolRun.h"

#include <ExpectedFlashMap.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <unistd.h>

namespace {

struct CLI_ERROR {
  const char *Name;
  std::vector<std::string> Arguments; // after the tool
  int ExitCode;
  std::string Says; // a regular expression the one line must match somewhere
};

// A file of Size bytes that starts with MZ and is otherwise a hole: too large
// to be a firmware image, yet cheap to make.
std::string LargeFile(const std::string &Name, off_t Size) {
  const std::string Path = ScratchPath(Name);
  std::ofstream(Path, std::ios::binary) << "MZ";
  std::filesystem::resize_file(Path, static_cast<uintmax_t>(Size));
  return Path;
}

std::string Directory() {
  const std::string Path = ScratchPath("a-directory");
  std::filesystem::create_directories(Path);
  return Path;
}

std::string CopyOfImage(const std::string &Name) {
  const std::string Path = ScratchPath(Name);
  std::filesystem::copy_file(TOLVERN_IMAGE_PATH, Path,
                             std::filesystem::copy_options::overwrite_existing);
  return Path;
}

void ExpectOneLineError(const std::string &Tool, const CLI_ERROR &Case) {
  SCOPED_TRACE(Case.Name);
  std::vector<std::string> Arguments = {Tool};
  Arguments.insert(Arguments.end(), Case.Arguments.begin(), Case.Arguments.end());
  const TOOL_RUN Run = RunTool(Arguments, 30);
  ASSERT_TRUE(Run.Exited) << "signal " << Run.Signal << ", timed out " << Run.TimedOut;
  EXPECT_EQ(Run.ExitCode, Case.ExitCode) << Run.Stderr;
  EXPECT_EQ(Run.Stdout, "");
  const std::string Program = std::filesystem::path(Tool).filename().string();
  EXPECT_EQ(Run.Stderr.rfind(Program + ": ", 0), 0u) << Run.Stderr;
  EXPECT_EQ(std::count(Run.Stderr.begin(), Run.Stderr.end(), '\n'), 1) << Run.Stderr;
  EXPECT_TRUE(std::regex_search(Run.Stderr, std::regex(Case.Says)))
      << Run.Stderr << "wanted: " << Case.Says;
}

const std::string IMAGE = TOLVERN_IMAGE_PATH;
const std::string TOO_LARGE = "too large: [0-9]+ bytes or more";

TEST(CommandLineTest, Inspector) {
  const CLI_ERROR Cases[] = {
      {"NoImage", {}, 2, "image is required"},
      {"UnknownOption", {IMAGE, "--bogus"}, 2, "--bogus"},
      {"MissingFile", {ScratchPath("no-such.efi")}, 1, "no-such.efi: cannot open: No such file"},
      {"Directory", {Directory()}, 1, "a-directory: is a directory"},
      // Not a PE image, so perhaps a flash dump: read no further than a dump can be.
      {"EndlessDevice", {"/dev/zero"}, 1, "/dev/zero: " + TOO_LARGE},
      {"FarTooLarge", {LargeFile("large.efi", (64 << 20) + 1)}, 1, TOO_LARGE},
      {"SvgOverTheImage",
       {CopyOfImage("svg-target.efi"), "--svg", ScratchPath("svg-target.efi")},
       2,
       "--svg .*svg-target.efi is the image itself"},
  };
  for (const CLI_ERROR &Case : Cases) {
    ExpectOneLineError(TOLVERN_INSPECT_PATH, Case);
  }
}

TEST(CommandLineTest, Emulator) {
  const CLI_ERROR Cases[] = {
      {"NoImage", {}, 2, "image is required"},
      {"UnknownOption", {IMAGE, "--bogus"}, 2, "--bogus"},
      {"ZeroBudget",
       {IMAGE, "--max-instructions", "0"},
       2,
       "--max-instructions: '0' is not a whole number from 1 to 1000000000000"},
      {"BudgetBeyond64Bits",
       {IMAGE, "--max-instructions", "99999999999999999999999"},
       2,
       "--max-instructions: '99999999999999999999999' is not a whole number"},
      {"CmosAboveAByte", {IMAGE, "--cmos", "256"}, 2, "--cmos: '256' is not a whole number"},
      {"IirBitOutside5To1",
       {IMAGE, "--uart-iir-bits", "0x21"},
       2,
       "--uart-iir-bits: '0x21' sets a bit outside the mask 0x3E"},
      {"BaseAbove4GiB", {IMAGE, "--base", "0x100000000"}, 2, "--base: '0x100000000'"},
      {"NegativeStatus", {IMAGE, "--install-status", "-1"}, 2, "--install-status: '-1'"},
      {"SioWithoutRegister", {IMAGE, "--sio", "3=1"}, 2, "expected DEVICE:REGISTER=VALUE"},
      {"MissingFile", {ScratchPath("no-such.efi")}, 2, "no-such.efi: cannot open"},
      {"Directory", {Directory()}, 2, "a-directory: is a directory"},
      {"EndlessDevice", {"/dev/zero"}, 2, "/dev/zero: not a PE image: no MZ header"},
      {"FarTooLarge", {LargeFile("large.efi", (64 << 20) + 1)}, 2, TOO_LARGE},
  };
  for (const CLI_ERROR &Case : Cases) {
    ExpectOneLineError(TOLVERN_EMU_PATH, Case);
  }
}

TEST(CommandLineTest, FlashImageBuilder) {
  const auto Build = [](const std::string &Module, const std::string &Address,
                        const std::string &Output) {
    return std::vector<std::string>{
        "--module",           Module,       "--address", Address, "--platform", BOOT_PLATFORM_BIN,
        "--platform-address", "0xFFFF0000", "--output",  Output};
  };
  const std::string Module = CopyOfImage("module.efi");
  const std::string Address = Expected::ImageBaseText();
  const CLI_ERROR Cases[] = {
      {"NoArguments", {}, 2, "--module is required"},
      {"AddressBeyond32Bits", Build(Module, "0x100000000", ScratchPath("f.bin")), 2,
       "--address: '0x100000000' is not a whole number from 0 to 4294967295"},
      {"OutputOverTheModule", Build(Module, Address, Module), 2,
       "--output .*module.efi is the --module input"},
      {"ModuleIsADirectory", Build(Directory(), Address, ScratchPath("f.bin")), 1,
       "a-directory: is a directory"},
      {"ModuleFarTooLarge",
       Build(LargeFile("large.efi", (64 << 20) + 1), Address, ScratchPath("f.bin")), 1, TOO_LARGE},
  };
  for (const CLI_ERROR &Case : Cases) {
    ExpectOneLineError(TOLVERN_FLASH_PATH, Case);
  }
}

TEST(CommandLineTest, PeimFileWriter) {
  const auto Wrap = [](const std::string &Image, const std::string &Guid, const std::string &Depex,
                       const std::string &Output) {
    return std::vector<std::string>{"--pe32", Image,     "--guid", Guid,       "--name",
                                    "T",      "--depex", Depex,    "--output", Output};
  };
  const std::string Guid = "21E62483-0745-43B0-AFAC-CA83CCD23D58";
  const std::string Image = CopyOfImage("peim.efi");
  const CLI_ERROR Cases[] = {
      {"NoArguments", {}, 2, "--pe32 is required"},
      {"NotAGuid", Wrap(Image, "21E62483", "TRUE END", ScratchPath("t.ffs")), 2,
       "--guid: '21E62483' is not a GUID"},
      {"NotAnExpression", Wrap(Image, Guid, "TRUE MAYBE", ScratchPath("t.ffs")), 2, "--depex: "},
      {"OutputOverTheImage", Wrap(Image, Guid, "TRUE END", Image), 2,
       "--output .*peim.efi is the --pe32 input"},
      {"ImageIsADirectory", Wrap(Directory(), Guid, "TRUE END", ScratchPath("t.ffs")), 1,
       "a-directory: is a directory"},
  };
  for (const CLI_ERROR &Case : Cases) {
    ExpectOneLineError(TOLVERN_FFS_TOOL_PATH, Case);
  }
}

TEST(CommandLineTest, BootScript) {
  const CLI_ERROR Cases[] = {
      {"ZeroTimeout", {"--timeout", "0"}, 2, "--timeout '0' is not a positive number"},
      {"WordTimeout", {"--timeout", "abc"}, 2, "--timeout 'abc' is not a positive number"},
      {"MissingValue", {"--selector"}, 2, "--selector needs a value"},
      {"SelectorAboveAByte", {"--selector", "0x100"}, 2, "--selector '0x100' is not a byte"},
      {"SelectorWord", {"--selector", "fast"}, 2, "--selector 'fast' is not a byte"},
      {"UnknownImage", {"--no-build", "--image", "other"}, 2, "unknown image 'other'"},
      {"GdbPortZero", {"--gdb", "0"}, 2, "--gdb '0' is not a port"},
      {"GdbPortAbove16Bits", {"--gdb", "65536"}, 2, "--gdb '65536' is not a port"},
      {"UnknownOption", {"--bogus"}, 2, "unknown argument '--bogus'"},
      {"FlashAndImage",
       {"--flash", ScratchPath("f.bin"), "--image", "failing"},
       2,
       "exclude each other"},
      {"ImageAndFlash",
       {"--image", "normal", "--flash", ScratchPath("f.bin")},
       2,
       "exclude each other"},
      {"MissingFlash", {"--flash", ScratchPath("no-such.bin")}, 2, "no-such.bin: no such file"},
      {"FlashDirectory", {"--flash", Directory()}, 2, "a-directory: not a regular file"},
      {"FlashOfAFile", {"--flash", LargeFile("ffs.bin", 4088)}, 2, "4088 bytes, not a flash image"},
      {"FlashWithoutVolume",
       {"--flash", LargeFile("hole.bin", 16 << 20)},
       2,
       "no firmware volume in it"},
  };
  for (const CLI_ERROR &Case : Cases) {
    ExpectOneLineError(BOOT_SCRIPT, Case);
  }
  const TOOL_RUN Help = RunTool({BOOT_SCRIPT, "--help"});
  EXPECT_EQ(Help.ExitCode, 0) << Help.Stderr;
  EXPECT_EQ(Help.Stdout.rfind("Boots the module", 0), 0u) << Help.Stdout;
  EXPECT_NE(Help.Stdout.find("Exit status"), std::string::npos) << Help.Stdout;
}

// A path that is not UTF-8 still gives valid JSON and a parseable SVG.
TEST(CommandLineTest, PathsThatAreNotUtf8StayPrintable) {
  const std::string Image = CopyOfImage("image-\xFF\xFE-\n.efi");
  const TOOL_RUN Json = RunTool({TOLVERN_INSPECT_PATH, "--json", Image});
  ASSERT_EQ(Json.ExitCode, 0) << Json.Stderr;
  EXPECT_NE(Json.Stdout.find(R"(/image-\\xFF\\xFE-\\x0A.efi",)"), std::string::npos)
      << Json.Stdout.substr(0, 400);
  const std::string Svg = ScratchPath("map-\xC3\x28.svg");
  ASSERT_EQ(RunTool({TOLVERN_INSPECT_PATH, Image, "--svg", Svg}).ExitCode, 0);
  std::ifstream File(Svg);
  const std::string Text((std::istreambuf_iterator<char>(File)), std::istreambuf_iterator<char>());
  EXPECT_NE(Text.find(R"(image-\xFF\xFE-\x0A.efi)"), std::string::npos);
  EXPECT_EQ(Text.find('\xFF'), std::string::npos) << "every byte of the document is UTF-8";
}

} // namespace
