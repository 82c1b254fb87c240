#include "FakePe32.h"

#include "PeLayout.h"

#include <PeimFile.h>

#include <Pi/PiDependency.h>

#include <stdexcept>

using namespace PeLayout;

namespace {

constexpr UINT32 PE_OFFSET = 0x40;
constexpr UINT32 OPTIONAL = PE_OFFSET + OPTIONAL_HEADER;
constexpr UINT16 OPTIONAL_SIZE = 0xE0;
constexpr UINT32 SECTION_TABLE = OPTIONAL + OPTIONAL_SIZE;

} // namespace

std::vector<UINT8> MakeFakePe32(const FAKE_PE32 &Fake) {
  UINT32 TextSize = static_cast<UINT32>(Fake.Code.size());
  UINT32 TextFileOffset = FAKE_TEXT_OFFSET + Fake.TextFileOffsetShift;
  std::vector<UINT8> Bytes(TextFileOffset + TextSize + Fake.ExtraFileBytes, 0);
  Bytes[0] = 'M';
  Bytes[1] = 'Z';
  Put32(Bytes, LFANEW, Fake.LfanewOverride != 0 ? Fake.LfanewOverride : PE_OFFSET);
  Bytes[PE_OFFSET] = 'P';
  Bytes[PE_OFFSET + 1] = 'E';
  Put16(Bytes, PE_OFFSET + COFF_MACHINE, 0x014C); // IA32
  Put16(Bytes, PE_OFFSET + COFF_SECTION_COUNT, 1);
  Put16(Bytes, PE_OFFSET + COFF_OPTIONAL_SIZE, OPTIONAL_SIZE);
  Put16(Bytes, OPTIONAL, 0x010B); // PE32
  Put32(Bytes, OPTIONAL + ENTRY_POINT, FAKE_TEXT_OFFSET);
  Put32(Bytes, OPTIONAL + IMAGE_BASE, Fake.ImageBase);
  Put32(Bytes, OPTIONAL + SECTION_ALIGNMENT, 32);
  Put32(Bytes, OPTIONAL + FILE_ALIGNMENT, 32);
  UINT32 SizeOfImage = Fake.SizeOfImage != 0 ? Fake.SizeOfImage : static_cast<UINT32>(Bytes.size());
  Put32(Bytes, OPTIONAL + SIZE_OF_IMAGE, SizeOfImage);
  Put32(Bytes, OPTIONAL + SIZE_OF_HEADERS, FAKE_TEXT_OFFSET);
  Put16(Bytes, OPTIONAL + SUBSYSTEM, 11); // EFI boot service driver
  const char Name[8] = {'.', 't', 'e', 'x', 't'};
  for (UINT32 Index = 0; Index < 8; ++Index) {
    Bytes[SECTION_TABLE + Index] = static_cast<UINT8>(Name[Index]);
  }
  Put32(Bytes, SECTION_TABLE + SECTION_VIRTUAL_SIZE, TextSize + Fake.TextVirtualExtra);
  Put32(Bytes, SECTION_TABLE + SECTION_RVA, FAKE_TEXT_OFFSET);
  Put32(Bytes, SECTION_TABLE + SECTION_RAW_SIZE, TextSize);
  Put32(Bytes, SECTION_TABLE + SECTION_RAW_OFFSET, TextFileOffset);
  Put32(Bytes, SECTION_TABLE + SECTION_CHARACTERISTICS, Fake.TextCharacteristics);
  for (UINT32 Index = 0; Index < TextSize; ++Index) {
    Bytes[TextFileOffset + Index] = Fake.Code[Index];
  }
  return Bytes;
}

std::vector<UINT8> MakeFakePeimFile(const FAKE_PE32 &Fake, const char *Name) {
  TolvernFlash::PEIM_FILE_PARTS Parts;
  for (size_t Index = 0; Name[Index] != '\0' && Index < Parts.Name.size(); ++Index) {
    Parts.Name[Index] = static_cast<UINT8>(Name[Index]);
  }
  Parts.UserInterfaceName = Name;
  Parts.Dependency = std::vector<UINT8>{EFI_DEP_TRUE, EFI_DEP_END};
  Parts.Image = MakeFakePe32(Fake);
  std::string Problem;
  std::optional<std::vector<UINT8>> File = TolvernFlash::PeimFile(Parts, Problem);
  if (!File) {
    throw std::runtime_error("fake PEIM file: " + Problem);
  }
  return *File;
}
