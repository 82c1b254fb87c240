// The built image and what objdump says about it, read once per test program.
#pragma once

#include "ObjdumpText.h"
#include "ToolRun.h"

#include <string>
#include <vector>

inline const std::string &ImagePath() {
  static const std::string Path = TOLVERN_IMAGE_PATH;
  return Path;
}

inline const std::vector<unsigned char> &ImageFileBytes() {
  static const std::vector<unsigned char> Bytes = ReadFileBytes(ImagePath());
  return Bytes;
}

inline const OBJDUMP_IMAGE &ImageByObjdump() {
  static const OBJDUMP_IMAGE Image = ReadWithObjdump(ImagePath());
  return Image;
}
