// The builder's command line: a module that does not fit ends the build with
// a message and a non-zero status, and no flash image is left behind.
#include "FakePe32.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

struct RUN {
  int Status;
  std::string Output;
};

RUN RunCommand(const std::string &Command) {
  RUN Result{-1, ""};
  FILE *Pipe = popen((Command + " 2>&1").c_str(), "r");
  if (Pipe == nullptr) {
    return Result;
  }
  char Buffer[256];
  while (std::fgets(Buffer, sizeof(Buffer), Pipe) != nullptr) {
    Result.Output += Buffer;
  }
  int Status = pclose(Pipe);
  Result.Status = WIFEXITED(Status) ? WEXITSTATUS(Status) : -1;
  return Result;
}

std::string WriteModule(const std::string &Name, const FAKE_PE32 &Fake) {
  std::string Path = std::string(TEST_OUTPUT_DIR) + Name;
  std::vector<UINT8> Bytes = MakeFakePeimFile(Fake, "Module");
  std::ofstream(Path, std::ios::binary)
      .write(reinterpret_cast<const char *>(Bytes.data()),
             static_cast<std::streamsize>(Bytes.size()));
  return Path;
}

std::string Command(const std::string &Module, const std::string &Output) {
  return std::string(FLASH_IMAGE_TOOL) + " --module " + Module + " --address " +
         Expected::ImageBaseText() + " --platform " + BOOT_PLATFORM_BIN + " --platform-address " +
         BOOT_PLATFORM_BASE + " --flash-map " + TOLVERN_IMAGE_FILE + " --output " + Output;
}

TEST(FlashImageTool, RefusesModuleLinkedElsewhere) {
  FAKE_PE32 Fake;
  Fake.ImageBase = 0x10000000;
  std::string Output = std::string(TEST_OUTPUT_DIR) + "refused-flash.bin";
  std::filesystem::remove(Output);
  RUN Result = RunCommand(Command(WriteModule("elsewhere.ffs", Fake), Output));
  EXPECT_EQ(Result.Status, 1);
  EXPECT_NE(Result.Output.find("tolvern-flash: refusing"), std::string::npos) << Result.Output;
  EXPECT_NE(Result.Output.find("ImageBase 0x10000000 differs"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(Output));
}

TEST(FlashImageTool, RefusesModuleTooLargeForItsRegion) {
  FAKE_PE32 Fake;
  Fake.ExtraFileBytes = 0x70000;
  RUN Result = RunCommand(
      Command(WriteModule("large.ffs", Fake), std::string(TEST_OUTPUT_DIR) + "large.bin"));
  EXPECT_EQ(Result.Status, 1);
  EXPECT_NE(Result.Output.find("runs past 4 GiB"), std::string::npos) << Result.Output;
}

// The map the flash is laid out by comes from the module itself unless told otherwise.
TEST(FlashImageTool, RefusesAModuleThatPublishesNoFlashMap) {
  std::string Output = std::string(TEST_OUTPUT_DIR) + "no-map-flash.bin";
  std::filesystem::remove(Output);
  std::string Without = Command(WriteModule("no-map.ffs", FAKE_PE32{}), Output);
  Without.erase(Without.find(" --flash-map "),
                Without.find(" --output ") - Without.find(" --flash-map "));
  RUN Result = RunCommand(Without);
  EXPECT_EQ(Result.Status, 1);
  EXPECT_NE(Result.Output.find("no flash-map descriptor found"), std::string::npos)
      << Result.Output;
  EXPECT_FALSE(std::filesystem::exists(Output));
}

// Each refusal names the input it is about, by option and path.
TEST(FlashImageTool, NamesTheInputItRefuses) {
  const struct {
    const char *Option;
    const char *Path;
    const char *Says;
  } Cases[] = {
      {"--module", TOLVERN_IMAGE_FILE,
       "this is a PE32 image, not a firmware file: wrap it with "
       "tolvern-ffs"},
      {"--platform", TOLVERN_FILE, "does not end at the top of region 13"},
      {"--peim", TOLVERN_FILE, "the PEIM Tolvern is linked at 0xFFF944A0, but"},
      {"--flash-map", CONSUMER_FILE, "no flash-map descriptor found"},
  };
  for (const auto &Case : Cases) {
    std::string Line = std::string(FLASH_IMAGE_TOOL) + " --address 0xFFF944A0 --platform-address " +
                       BOOT_PLATFORM_BASE + " --output " + TEST_OUTPUT_DIR + "named.bin " +
                       Case.Option + " " + Case.Path;
    for (const auto &[Option, Path] :
         {std::pair{"--module", TOLVERN_FILE}, std::pair{"--platform", BOOT_PLATFORM_BIN}}) {
      Line += Option == std::string(Case.Option) ? "" : std::string(" ") + Option + " " + Path;
    }
    const RUN Result = RunCommand(Line);
    EXPECT_EQ(Result.Status, 1) << Result.Output;
    const std::string Named =
        std::string("tolvern-flash: refusing ") + Case.Option + " " + Case.Path;
    EXPECT_EQ(Result.Output.rfind(Named + ": ", 0), 0u) << Result.Output;
    EXPECT_EQ(std::count(Result.Output.begin(), Result.Output.end(), '\n'), 1) << Result.Output;
    EXPECT_NE(Result.Output.find(Case.Says), std::string::npos) << Result.Output;
  }
}

TEST(FlashImageTool, WritesSixteenMiBForAFittingModule) {
  std::string Output = std::string(TEST_OUTPUT_DIR) + "fitting-flash.bin";
  RUN Result = RunCommand(Command(WriteModule("fitting.ffs", FAKE_PE32{}), Output));
  EXPECT_EQ(Result.Status, 0) << Result.Output;
  EXPECT_EQ(std::filesystem::file_size(Output), 0x01000000u);
}

} // namespace
