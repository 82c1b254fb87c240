#include "BootSession.h"

#include "ExpectedFlashMap.h"

#include <cstdarg>
#include <cstdio>
#include <sys/wait.h>

BOOT_LOG RunCommand(const std::string &Command) {
  BOOT_LOG Log;
  FILE *Pipe = popen((Command + " 2>&1").c_str(), "r");
  if (Pipe == nullptr) {
    return Log;
  }
  std::string Text;
  char Buffer[512];
  size_t Count;
  while ((Count = std::fread(Buffer, 1, sizeof(Buffer), Pipe)) > 0) {
    Text.append(Buffer, Count);
  }
  int Status = pclose(Pipe);
  Log.Status = WIFEXITED(Status) ? WEXITSTATUS(Status) : -1;
  SetLogText(Log, Text);
  return Log;
}

void SetLogText(BOOT_LOG &Log, const std::string &Text) {
  Log.Output = Text;
  Log.Lines.clear();
  size_t Start = 0;
  while (Start < Text.size()) {
    size_t End = Text.find('\n', Start);
    if (End == std::string::npos) {
      End = Text.size();
    }
    std::string Line = Text.substr(Start, End - Start);
    if (!Line.empty() && Line.back() == '\r') {
      Line.pop_back();
    }
    Log.Lines.push_back(Line);
    Start = End + 1;
  }
}

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

namespace {

std::string Line(const char *Format, ...) __attribute__((format(printf, 1, 2)));
std::string Line(const char *Format, ...) {
  char Text[160];
  va_list Arguments;
  va_start(Arguments, Format);
  std::vsnprintf(Text, sizeof Text, Format, Arguments);
  va_end(Arguments);
  return std::string("[flash-map] ") + Text;
}

} // namespace

const std::string FLASH_MAP_PPI_LINE =
    "[flash-map] ppi {E286BDA9-E33A-47B3-AA89-3F17CEDE5538}: descriptor flags 0x80000010";

std::vector<std::string> ExpectedFlashMapLines() {
  const auto &Words = Expected::RECORD_WORDS;
  const char *const HeaderNames[Expected::HEADER_WORDS] = {"BlockSize", "FlashSize", "FlashBase",
                                                           "FirmwareAreaSize", "FirmwareAreaBase"};
  std::vector<std::string> Lines;
  for (size_t Index = 0; Index < Expected::HEADER_WORDS; ++Index) {
    Lines.push_back(Line("%s 0x%08X", HeaderNames[Index], Words[Index]));
  }
  for (size_t Index = 0; Index < Expected::REGION_COUNT; ++Index) {
    const size_t At = Expected::REGIONS_WORD + 4 * Index;
    Lines.push_back(Line("Region %zu: Base 0x%08X Size 0x%08X FirstBlock %u LastBlock %u", Index,
                         Words[At], Words[At + 1], Words[At + 2], Words[At + 3]));
  }
  for (size_t Index = 0; Index < Expected::SUB_RANGE_COUNT; ++Index) {
    const size_t At = Expected::SUB_RANGES_WORD + 2 * Index;
    Lines.push_back(Line("SubRange %zu: Base 0x%08X Size 0x%08X", Index, Words[At], Words[At + 1]));
  }
  Lines.push_back(Line("Trailer 0x%08X", Words[Expected::TRAILER_WORD]));
  return Lines;
}

std::vector<std::string> FlashMapFields(const BOOT_LOG &Log) {
  std::vector<std::string> Fields;
  for (const std::string &Line : Log.Lines) {
    if (Line.rfind("[flash-map] ", 0) == 0 && Line.rfind("[flash-map] ppi ", 0) != 0) {
      Fields.push_back(Line);
    }
  }
  return Fields;
}
