#include "StartReport.h"

#include "StatusText.h"

#include <FlashMapJson.h>
#include <Guid.h>
#include <MessageText.h>

#include <cstdio>
#include <iterator>
#include <sstream>

namespace TolvernEmu {

using namespace HostTools;

namespace {

// JSON names of the ways a run ends, in RUN_END's order.
constexpr const char *END_NAMES[] = {"returned", "budget-exhausted", "dead-loop", "fault"};
static_assert(std::size(END_NAMES) == static_cast<size_t>(RUN_END::Fault) + 1, "a name per end");

std::string EscapeByte(uint8_t Byte) {
  switch (Byte) {
  case '\r':
    return "\\r";
  case '\n':
    return "\\n";
  case '\t':
    return "\\t";
  case '\\':
    return "\\\\";
  case '"':
    return "\\\"";
  default:
    break;
  }
  if (Byte < 0x20 || Byte >= 0x7F) {
    char Text[8];
    std::snprintf(Text, sizeof Text, "\\x%02X", Byte);
    return Text;
  }
  return std::string(1, static_cast<char>(Byte));
}

void WriteFlashMapTable(std::ostream &Out, const FLASH_MAP_RECORD &R) {
  char Line[160];
  std::snprintf(Line, sizeof Line,
                "  BlockSize 0x%08X  FlashSize 0x%08X  FlashBase 0x%08X\n"
                "  FirmwareAreaSize 0x%08X  FirmwareAreaBase 0x%08X  Trailer 0x%08X\n",
                R.BlockSize, R.FlashSize, R.FlashBase, R.FirmwareAreaSize, R.FirmwareAreaBase,
                R.Trailer);
  Out << Line << "  Region  Base        Size        FirstBlock  LastBlock\n";
  for (size_t Index = 0; Index < FLASH_MAP_REGION_COUNT; ++Index) {
    const FLASH_REGION &Region = R.Regions[Index];
    std::snprintf(Line, sizeof Line, "  %6zu  0x%08X  0x%08X  %10u  %9u\n",
                  static_cast<size_t>(Index), Region.Base, Region.Size, Region.FirstBlock,
                  Region.LastBlock);
    Out << Line;
  }
  Out << "  Sub-range of region 3  Base        Size\n";
  for (size_t Index = 0; Index < FLASH_MAP_SUB_RANGE_COUNT; ++Index) {
    std::snprintf(Line, sizeof Line, "  %21zu  0x%08X  0x%08X\n", static_cast<size_t>(Index),
                  R.SubRanges[Index].Base, R.SubRanges[Index].Size);
    Out << Line;
  }
}

} // namespace

std::string EscapeUartText(const std::vector<uint8_t> &Bytes) {
  std::string Text = "\"";
  for (size_t Index = 0; Index < Bytes.size(); ++Index) {
    Text += EscapeByte(Bytes[Index]);
    if (Bytes[Index] == '\n' && Index + 1 < Bytes.size()) {
      Text += "\"\n\"";
    }
  }
  return Text + "\"";
}

std::string FormatStartReport(const EMULATED_START &Start, const REPORT_OPTIONS &Options) {
  std::ostringstream Out;
  const RUN_RESULT &Run = Start.Run;
  Out << "Image         " << Options.ImageName << " at " << Hex32(Start.Base) << " (linked at "
      << Hex32(Options.LinkBase) << ")\n";
  if (Run.End == RUN_END::Returned) {
    Out << "Returned      " << StatusText(Run.Status) << " (" << Hex32(Run.Status) << ")\n";
  } else {
    Out << "Stopped       " << Run.Problem << "\n";
  }

  Out << "InstallPpi    " << Run.InstallPpiCalls.size()
      << (Run.InstallPpiCalls.size() == 1 ? " call" : " calls");
  for (const EMULATED_INSTALL_PPI_CALL &Call : Run.InstallPpiCalls) {
    Out << "\n              PeiServices " << Hex32(Call.PeiServices)
        << (Call.PeiServices == EMULATOR_PEI_SERVICES ? " (as received)" : " (NOT as received)")
        << ", PpiList " << Hex32(Call.PpiList);
  }
  Out << "\n";

  Out << "Breakpoints   " << Run.Breakpoints.size();
  for (uint32_t Address : Run.Breakpoints) {
    Out << "  INT3 at " << Hex32(Address);
  }
  Out << "\n";

  Out << "UART output   " << Start.UartBytes.size() << " bytes\n";
  if (!Start.UartBytes.empty()) {
    std::istringstream Lines(EscapeUartText(Start.UartBytes));
    for (std::string Line; std::getline(Lines, Line);) {
      Out << "  " << Line << "\n";
    }
  }

  if (Start.FlashMap) {
    const PUBLISHED_FLASH_MAP &Map = *Start.FlashMap;
    Out << "Descriptor    at " << Hex32(Map.DescriptorAddress) << ": Flags " << Hex32(Map.Flags)
        << ", Guid " << Hex32(Map.GuidAddress) << " {" << GuidText(Map.GuidBytes) << "}, Ppi "
        << Hex32(Map.PpiAddress) << "\n";
    Out << "Flash map     record at " << Hex32(Map.RecordAddress) << " (read through the Ppi)\n";
    WriteFlashMapTable(Out, Map.Record);
  } else if (!Start.FlashMapProblem.empty()) {
    Out << "Descriptor    " << Start.FlashMapProblem << "\n";
  }

  Out << "Instructions  " << Run.Instructions << "\n";
  Out << "Peak stack    " << Run.PeakStackBytes << " bytes";
  if (Run.PeakStackBytes != 0) {
    Out << " (first reached at EIP " << Hex32(Run.PeakStackAddress)
        << (Run.PeakStackAddress == EMULATOR_INSTALL_PPI ? ", entering InstallPpi)" : ")");
  }
  Out << "\n";
  if (Options.WithTrace) {
    Out << "Port trace    " << Start.Trace.size() << " accesses\n" << FormatTrace(Start.Trace);
  }
  return Out.str();
}

nlohmann::ordered_json StartReportJson(const EMULATED_START &Start, const REPORT_OPTIONS &Options) {
  const RUN_RESULT &Run = Start.Run;
  nlohmann::ordered_json Json;
  Json["image"] = PrintableText(Options.ImageName);
  Json["base"] = Hex32(Start.Base);
  Json["linkBase"] = Hex32(Options.LinkBase);
  Json["end"] = END_NAMES[static_cast<size_t>(Run.End)];
  if (Run.End == RUN_END::Returned) {
    Json["status"] = {{"value", Hex32(Run.Status)}, {"name", StatusText(Run.Status)}};
  } else {
    Json["problem"] = Run.Problem;
  }
  Json["installPpiCalls"] = nlohmann::ordered_json::array();
  for (const EMULATED_INSTALL_PPI_CALL &Call : Run.InstallPpiCalls) {
    Json["installPpiCalls"].push_back(
        {{"peiServices", Hex32(Call.PeiServices)}, {"ppiList", Hex32(Call.PpiList)}});
  }
  Json["breakpoints"] = nlohmann::ordered_json::array();
  for (uint32_t Address : Run.Breakpoints) {
    Json["breakpoints"].push_back(Hex32(Address));
  }
  Json["uart"] = std::string(Start.UartBytes.begin(), Start.UartBytes.end());
  if (Start.FlashMap) {
    const PUBLISHED_FLASH_MAP &Map = *Start.FlashMap;
    Json["descriptor"] = DescriptorJson(Map);
    Json["flashMap"] = FlashMapRecordJson(Map.Record);
  } else if (!Start.FlashMapProblem.empty()) {
    Json["descriptorProblem"] = Start.FlashMapProblem;
  }
  Json["instructions"] = Run.Instructions;
  Json["peakStackBytes"] = Run.PeakStackBytes;
  Json["peakStackAddress"] = Hex32(Run.PeakStackAddress);
  if (Options.WithTrace) {
    nlohmann::ordered_json Trace = nlohmann::ordered_json::array();
    for (const PORT_ACCESS &Access : Start.Trace) {
      Trace.push_back(FormatAccess(Access));
    }
    Json["trace"] = Trace;
  }
  return Json;
}

} // namespace TolvernEmu
