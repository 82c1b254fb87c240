// The flash image's layout in one line, as tolvern-flash reports a build.
#pragma once

#include "FlashImageLayout.h"

#include <string>

namespace TolvernFlash {

// "tolvern-flash: BootFlash.bin: boot volume 0xFFF60000-0xFFFFFFFF (region 13):
// FlashMapConsumer file 0xFFF60048-0x..., PE32 at 0xFFF600A4; ..."
std::string LayoutText(const std::string &OutputPath, const FLASH_IMAGE_LAYOUT &Layout);

} // namespace TolvernFlash
