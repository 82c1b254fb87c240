#include "AssertionReport.h"

#include <fstream>

namespace TolvernLog {

namespace {

constexpr std::string_view REPORT_START = "ASSERT ";

bool IsDigit(char Character) {
  return Character >= '0' && Character <= '9';
}

// The line number of "(digits): " at Open, if that is what stands there.
std::optional<uint32_t> LineNumberAt(std::string_view Text, size_t Open, size_t &After) {
  size_t At = Open + 1;
  uint64_t Value = 0;
  while (At < Text.size() && IsDigit(Text[At]) && Value <= UINT32_MAX) {
    Value = Value * 10 + static_cast<uint64_t>(Text[At++] - '0');
  }
  if (At == Open + 1 || Value > UINT32_MAX || Text.substr(At, 3) != "): ") {
    return std::nullopt;
  }
  After = At + 3;
  return static_cast<uint32_t>(Value);
}

} // namespace

std::optional<REPORT> ParseReport(std::string_view Line) {
  const size_t Start = Line.find(REPORT_START);
  if (Start == std::string_view::npos) {
    return std::nullopt;
  }
  const std::string_view Rest = Line.substr(Start + REPORT_START.size());
  // The file name ends at the first "(digits): ": no site's file name holds one.
  for (size_t Open = Rest.find('('); Open != std::string_view::npos;
       Open = Rest.find('(', Open + 1)) {
    size_t After = 0;
    if (std::optional<uint32_t> Number = LineNumberAt(Rest, Open, After)) {
      return REPORT{std::string(Rest.substr(0, Open)), *Number, std::string(Rest.substr(After))};
    }
  }
  return std::nullopt;
}

const ASSERT_SITE *SiteOfReport(const REPORT &Report) {
  for (const ASSERT_SITE &Site : AssertSites) {
    if (Report.FileName == Site.FileName && Report.LineNumber == Site.LineNumber &&
        Report.Expression == Site.Expression) {
      return &Site;
    }
  }
  return nullptr;
}

// A switch over the enumeration: -Wswitch (an error here) names a site added
// without its name.
#define SITE_NAME(Id)                                                                              \
  case Id:                                                                                         \
    return #Id
const char *SiteIdName(ASSERT_SITE_ID Id) {
  switch (Id) {
    SITE_NAME(ASSERT_SITE_CONSTRUCTOR_STATUS);
    SITE_NAME(ASSERT_SITE_DEBUG_FORMAT);
    SITE_NAME(ASSERT_SITE_STRING_LENGTH);
    SITE_NAME(ASSERT_SITE_FORMAT_BUFFER);
    SITE_NAME(ASSERT_SITE_DIVISOR);
    SITE_NAME(ASSERT_SITE_UNALIGNED16);
    SITE_NAME(ASSERT_SITE_UNALIGNED32);
    SITE_NAME(ASSERT_SITE_PORT_OUT32);
  case ASSERT_SITE_COUNT:
    break;
  }
  return "ASSERT_SITE_COUNT";
}
#undef SITE_NAME

std::optional<uint32_t> SiteSourceLine(const std::string &SourceDir, const ASSERT_SITE &Site,
                                       std::string &Problem) {
  const std::string Path = SourceDir + "/" + Site.SourceFile;
  std::ifstream File(Path);
  if (!File) {
    Problem = "cannot read " + Path;
    return std::nullopt;
  }
  const std::string Use = std::string("REPORT_ASSERT_SITE(") + SiteIdName(Site.Id) + ")";
  std::string Text;
  for (uint32_t Number = 1; std::getline(File, Text); ++Number) {
    if (Text.find(Use) != std::string::npos) {
      return Number;
    }
  }
  Problem = "no line of " + Path + " holds " + Use;
  return std::nullopt;
}

} // namespace TolvernLog
