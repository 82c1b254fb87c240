#include "VolumeText.h"

#include <FirmwareVolume.h>

#include <Pi/PiFirmwareFile.h>

#include <cstdio>

namespace TolvernInspect {

namespace {

struct NAMED {
  uint8_t Value;
  const char *Name;
};

constexpr NAMED FILE_TYPES[] = {
    {EFI_FV_FILETYPE_RAW, "raw"},
    {EFI_FV_FILETYPE_FREEFORM, "freeform"},
    {EFI_FV_FILETYPE_SECURITY_CORE, "SEC core"},
    {EFI_FV_FILETYPE_PEI_CORE, "PEI core"},
    {EFI_FV_FILETYPE_PEIM, "PEIM"},
    {EFI_FV_FILETYPE_FFS_PAD, "pad"},
};

// From the highest bit down: the first one set names the state.
constexpr NAMED FILE_STATES[] = {
    {EFI_FILE_HEADER_INVALID, "header invalid"},       {EFI_FILE_DELETED, "deleted"},
    {EFI_FILE_MARKED_FOR_UPDATE, "marked for update"}, {EFI_FILE_DATA_VALID, "valid"},
    {EFI_FILE_HEADER_VALID, "data not valid"},
};

std::string Hex(uint8_t Value) {
  char Text[8];
  std::snprintf(Text, sizeof Text, "0x%02X", Value);
  return Text;
}

} // namespace

std::string FileTypeName(uint8_t Type) {
  for (const NAMED &Known : FILE_TYPES) {
    if (Known.Value == Type) {
      return Known.Name;
    }
  }
  return "type " + Hex(Type);
}

std::string FileStateName(uint8_t State) {
  if (!HostTools::IsWrittenState(State)) {
    return "state " + Hex(State);
  }
  for (const NAMED &Known : FILE_STATES) {
    if ((State & Known.Value) != 0) {
      return Known.Name;
    }
  }
  return "state " + Hex(State);
}

} // namespace TolvernInspect
