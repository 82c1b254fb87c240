// The report of one emulated start, for a person (text) or a program (JSON).
#pragma once

#include "EmulatedStart.h"

#include <nlohmann/json.hpp>

#include <string>

namespace TolvernEmu {

struct REPORT_OPTIONS {
  std::string ImageName;
  uint32_t LinkBase = 0;
  bool WithTrace = false;
};

std::string FormatStartReport(const EMULATED_START &Start, const REPORT_OPTIONS &Options);
nlohmann::ordered_json StartReportJson(const EMULATED_START &Start, const REPORT_OPTIONS &Options);

// The UART's bytes as one escaped line per transmitted line: "ASSERT x(1): y\r\n".
std::string EscapeUartText(const std::vector<uint8_t> &Bytes);

} // namespace TolvernEmu
