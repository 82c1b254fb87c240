// The image's cost figures: instructions PeimEntry executes and the stack it
// needs, measured in the emulator on named board states, against the goals.
#pragma once

#include "LoadableImage.h"

#include <string>

namespace TolvernEmu {

#define FIGURES_GOAL_FRESH_INSTRUCTIONS 260u
#define FIGURES_GOAL_STACK_BYTES 512u

struct FIGURES_REPORT {
  std::string Text; // the table and the goals
  bool AllReturned; // every start returned from PeimEntry
  bool GoalsMet;
};

// FailingImage (the image built with a failing constructor) may be null.
FIGURES_REPORT MeasureFigures(const LOADABLE_IMAGE &Image, const LOADABLE_IMAGE *FailingImage);

} // namespace TolvernEmu
