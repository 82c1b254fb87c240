// Reads the few PE32 header fields that placing and entering a module need,
// for the boot platform reading the image in flash. It is freestanding code,
// so it has its own reader; the host tools read PE32 files with PeImage.
#pragma once

#include <Base.h>

#define PE32_MACHINE_I386 0x014C
#define PE32_OPTIONAL_MAGIC 0x010B

typedef struct {
  UINT16 Machine;
  UINT16 NumberOfSections;
  UINT16 Subsystem;
  UINT32 AddressOfEntryPoint;
  UINT32 ImageBase;
  UINT32 SectionAlignment;
  UINT32 FileAlignment;
  UINT32 SizeOfImage;
  UINT32 SizeOfHeaders;
  UINT32 SectionTableOffset; // file offset of the first 40-byte section header
} PE32_IMAGE_INFO;

#define PE32_SECTION_HEADER_SIZE 40

inline UINT16 Pe32Read16(const UINT8 *Bytes) {
  return (UINT16)(Bytes[0] | (UINT16)(Bytes[1] << 8));
}

inline UINT32 Pe32Read32(const UINT8 *Bytes) {
  return (UINT32)Bytes[0] | ((UINT32)Bytes[1] << 8) | ((UINT32)Bytes[2] << 16) |
         ((UINT32)Bytes[3] << 24);
}

// Fills Info from the DOS stub's e_lfanew, the COFF header and the PE32
// optional header. Returns nullptr when the header is sound, else a short text
// that says what is wrong. Never reads outside Image[0, Size).
inline const CHAR8 *ReadPe32ImageInfo(const UINT8 *Image, UINTN Size, PE32_IMAGE_INFO *Info) {
  if (Size < 0x40 || Image[0] != 'M' || Image[1] != 'Z') {
    return "no MZ header";
  }
  UINT32 PeOffset = Pe32Read32(Image + 0x3C);
  // The signature (4 bytes) and the COFF header (20 bytes) must be in the image.
  if (PeOffset > Size || Size - PeOffset < 4 + 20) {
    return "e_lfanew points outside the image";
  }
  const UINT8 *Pe = Image + PeOffset;
  if (Pe[0] != 'P' || Pe[1] != 'E' || Pe[2] != 0 || Pe[3] != 0) {
    return "no PE signature";
  }
  const UINT8 *Coff = Pe + 4;
  const UINT8 *Optional = Coff + 20;
  UINT16 OptionalSize = Pe32Read16(Coff + 16);
  Info->Machine = Pe32Read16(Coff);
  Info->NumberOfSections = Pe32Read16(Coff + 2);
  if (Info->Machine != PE32_MACHINE_I386) {
    return "not an IA32 image";
  }
  // 96 bytes reach past every field read below (Subsystem is at 68).
  if (OptionalSize < 96 || Size - PeOffset - 24 < OptionalSize ||
      Pe32Read16(Optional) != PE32_OPTIONAL_MAGIC) {
    return "no PE32 optional header";
  }
  Info->AddressOfEntryPoint = Pe32Read32(Optional + 16);
  Info->ImageBase = Pe32Read32(Optional + 28);
  Info->SectionAlignment = Pe32Read32(Optional + 32);
  Info->FileAlignment = Pe32Read32(Optional + 36);
  Info->SizeOfImage = Pe32Read32(Optional + 56);
  Info->SizeOfHeaders = Pe32Read32(Optional + 60);
  Info->Subsystem = Pe32Read16(Optional + 68);
  Info->SectionTableOffset = PeOffset + 4 + 20 + OptionalSize;
  if (Info->SectionTableOffset > Size ||
      (Size - Info->SectionTableOffset) / PE32_SECTION_HEADER_SIZE < Info->NumberOfSections) {
    return "section table outside the image";
  }
  if (Info->AddressOfEntryPoint == 0 || Info->AddressOfEntryPoint >= Info->SizeOfImage) {
    return "entry point outside the image";
  }
  return nullptr;
}
