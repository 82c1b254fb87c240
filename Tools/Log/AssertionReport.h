// An assertion report in a serial log, "ASSERT file(line): expression", and
// the site of this tree that sends it: the texts the report carries are the
// ones the system has always reported, so the site's real place is looked up
// in the table of sites and in the source file that holds its check.
#pragma once

#include <Library/AssertSites.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace TolvernLog {

struct REPORT {
  std::string FileName;
  uint32_t LineNumber = 0;
  std::string Expression;
};

// The report in Line (it may follow other text, such as a terminal's time
// stamp), or nothing when Line holds none.
std::optional<REPORT> ParseReport(std::string_view Line);

// The site whose report carries exactly these three texts, or null.
const ASSERT_SITE *SiteOfReport(const REPORT &Report);

// The site's name in the code, "ASSERT_SITE_CONSTRUCTOR_STATUS" for example.
const char *SiteIdName(ASSERT_SITE_ID Id);

// The line of the site's source file (under SourceDir) that holds
// REPORT_ASSERT_SITE(<its name>). Nothing, with Problem saying why, when the
// file cannot be read or no line holds it.
std::optional<uint32_t> SiteSourceLine(const std::string &SourceDir, const ASSERT_SITE &Site,
                                       std::string &Problem);

} // namespace TolvernLog
