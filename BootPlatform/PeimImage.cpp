#include "PeimImage.h"

#include "Pe32Image.h"

const CHAR8 *CheckPeimImage(const UINT8 *Data, UINT32 Size, PEIM_IMAGE *Image) {
  PE32_IMAGE_INFO Info;
  const CHAR8 *Problem = ReadPe32ImageInfo(Data, Size, &Info);
  if (Problem != nullptr) {
    return Problem;
  }
  UINT32 Address = (UINT32) reinterpret_cast<UINTN>(Data);
  if (Info.ImageBase != Address) {
    return "image is linked for another address";
  }
  if (Info.SizeOfImage > Size) {
    return "image reaches past its PE32 section";
  }
  Image->Base = Address;
  Image->EntryPoint = Address + Info.AddressOfEntryPoint;
  Image->SizeOfImage = Info.SizeOfImage;
  return nullptr;
}
