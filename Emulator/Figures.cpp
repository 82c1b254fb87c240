#include "Figures.h"

#include "BoardScenarios.h"
#include "EmulatedStart.h"

#include <algorithm>
#include <cstdio>
#include <sstream>

namespace TolvernEmu {

using namespace HostTools;

namespace {

struct FIGURE {
  std::string Name;
  bool Fresh;
  bool Returned;
  uint64_t Instructions;
  uint32_t StackBytes;
};

FIGURE Measure(const LOADABLE_IMAGE &Image, const std::string &Name, bool Fresh,
               const BOARD_SETUP &Board) {
  START_OPTIONS Options;
  Options.Base = Image.LinkBase;
  Options.Board = Board;
  std::string Error;
  std::optional<EMULATED_START> Start = StartImageOnBoard(Image, Options, Error);
  if (!Start) {
    return {Name + " (" + Error + ")", Fresh, false, 0, 0};
  }
  return {Name, Fresh, Start->Run.End == RUN_END::Returned, Start->Run.Instructions,
          Start->Run.PeakStackBytes};
}

} // namespace

FIGURES_REPORT MeasureFigures(const LOADABLE_IMAGE &Image, const LOADABLE_IMAGE *FailingImage) {
  std::vector<FIGURE> Figures;
  for (uint8_t Cmos : {0x00, 0x10, 0x20, 0x30}) {
    char Name[64];
    std::snprintf(Name, sizeof Name, "fresh board, CMOS 0x%02X", Cmos);
    Figures.push_back(Measure(Image, Name, true, FreshBoard(Cmos)));
  }
  for (uint8_t Cmos : {0x00, 0x30}) {
    char Name[64];
    std::snprintf(Name, sizeof Name, "configured board, CMOS 0x%02X", Cmos);
    Figures.push_back(Measure(Image, Name, false, ConfiguredBoard(Cmos)));
  }
  if (FailingImage != nullptr) {
    Figures.push_back(
        Measure(*FailingImage, "failing constructor, fresh board", false, FreshBoard(0x00)));
    Figures.push_back(Measure(*FailingImage, "failing constructor, configured board", false,
                              ConfiguredBoard(0x00)));
  }

  std::ostringstream Out;
  char Line[160];
  std::snprintf(Line, sizeof Line, "%-40s %12s %12s\n", "PeimEntry start-up", "instructions",
                "peak stack");
  Out << Line;
  uint64_t WorstFresh = 0;
  uint32_t WorstStack = 0;
  std::string WorstStackName;
  bool AllReturned = true;
  for (const FIGURE &Figure : Figures) {
    if (!Figure.Returned) {
      AllReturned = false;
      Out << Figure.Name << ": did not return\n";
      continue;
    }
    std::snprintf(Line, sizeof Line, "%-40s %12llu %8u bytes\n", Figure.Name.c_str(),
                  static_cast<unsigned long long>(Figure.Instructions), Figure.StackBytes);
    Out << Line;
    if (Figure.Fresh) {
      WorstFresh = std::max(WorstFresh, Figure.Instructions);
    }
    if (Figure.StackBytes > WorstStack) {
      WorstStack = Figure.StackBytes;
      WorstStackName = Figure.Name;
    }
  }
  const bool FreshMet = WorstFresh <= FIGURES_GOAL_FRESH_INSTRUCTIONS;
  const bool StackMet = WorstStack <= FIGURES_GOAL_STACK_BYTES;
  std::snprintf(Line, sizeof Line,
                "goal: at most %u instructions on a fresh board: worst %llu, %s\n",
                FIGURES_GOAL_FRESH_INSTRUCTIONS, static_cast<unsigned long long>(WorstFresh),
                FreshMet ? "met" : "MISSED");
  Out << Line;
  std::snprintf(
      Line, sizeof Line, "goal: at most %u bytes of stack on any path: worst %u (%s), %s\n",
      FIGURES_GOAL_STACK_BYTES, WorstStack, WorstStackName.c_str(), StackMet ? "met" : "MISSED");
  Out << Line;
  if (FailingImage == nullptr) {
    Out << "(no failing-constructor image given: the assertion path is not measured)\n";
  }
  return {Out.str(), AllReturned, FreshMet && StackMet};
}

} // namespace TolvernEmu
