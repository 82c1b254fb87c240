#include "LayoutText.h"

#include <MessageText.h>

namespace TolvernFlash {

using namespace HostTools;

std::string LayoutText(const std::string &OutputPath, const FLASH_IMAGE_LAYOUT &Layout) {
  std::string Text = "tolvern-flash: " + OutputPath + ": boot volume " + Hex32(Layout.Volume.Base) +
                     "-" + Hex32(Layout.Volume.End - 1) + " (region " +
                     std::to_string(MODULE_REGION_INDEX) + "):";
  const char *Separator = " ";
  for (const PLACED_PART &Part : Layout.Files) {
    Text +=
        Separator + Part.Name + " file " + Hex32(Part.File.Base) + "-" + Hex32(Part.File.End - 1);
    if (Part.Pe32Data != 0) {
      Text += ", PE32 at " + Hex32(Part.Pe32Data);
    }
    Separator = "; ";
  }
  return Text;
}

} // namespace TolvernFlash
