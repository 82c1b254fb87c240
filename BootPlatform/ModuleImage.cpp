#include "ModuleImage.h"

#include "Pe32Image.h"

const CHAR8 *FindModuleEntryPoint(UINT32 Base, MODULE_IMAGE *Module) {
  const UINT8 *Image = reinterpret_cast<const UINT8 *>(static_cast<UINTN>(Base));
  // The image cannot reach past the top of the address space.
  UINTN Room = (UINTN)(0u - Base);
  PE32_IMAGE_INFO Info;
  const CHAR8 *Problem = ReadPe32ImageInfo(Image, Room, &Info);
  if (Problem != nullptr) {
    return Problem;
  }
  if (Info.ImageBase != Base) {
    return "image is linked for another address";
  }
  if (Info.SizeOfImage > Room) {
    return "image runs past the top of flash";
  }
  Module->Base = Base;
  Module->EntryPoint = Base + Info.AddressOfEntryPoint;
  Module->SizeOfImage = Info.SizeOfImage;
  return nullptr;
}
