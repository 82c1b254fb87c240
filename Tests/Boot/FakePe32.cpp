#include "FakePe32.h"

namespace {

VOID Put16(std::vector<UINT8> &Bytes, UINT32 Offset, UINT16 Value) {
  Bytes[Offset] = static_cast<UINT8>(Value);
  Bytes[Offset + 1] = static_cast<UINT8>(Value >> 8);
}

VOID Put32(std::vector<UINT8> &Bytes, UINT32 Offset, UINT32 Value) {
  for (UINT32 Index = 0; Index < 4; ++Index) {
    Bytes[Offset + Index] = static_cast<UINT8>(Value >> (8 * Index));
  }
}

constexpr UINT32 PE_OFFSET = 0x40;
constexpr UINT32 COFF = PE_OFFSET + 4;
constexpr UINT32 OPTIONAL = COFF + 20;
constexpr UINT16 OPTIONAL_SIZE = 0xE0;
constexpr UINT32 SECTION_TABLE = OPTIONAL + OPTIONAL_SIZE;

} // namespace

std::vector<UINT8> MakeFakePe32(const FAKE_PE32 &Fake) {
  UINT32 TextSize = static_cast<UINT32>(Fake.Code.size());
  UINT32 TextFileOffset = FAKE_TEXT_OFFSET + Fake.TextFileOffsetShift;
  std::vector<UINT8> Bytes(TextFileOffset + TextSize + Fake.ExtraFileBytes, 0);
  Bytes[0] = 'M';
  Bytes[1] = 'Z';
  Put32(Bytes, 0x3C, Fake.LfanewOverride != 0 ? Fake.LfanewOverride : PE_OFFSET);
  Bytes[PE_OFFSET] = 'P';
  Bytes[PE_OFFSET + 1] = 'E';
  Put16(Bytes, COFF, 0x014C); // Machine: IA32
  Put16(Bytes, COFF + 2, 1);  // NumberOfSections
  Put16(Bytes, COFF + 16, OPTIONAL_SIZE);
  Put16(Bytes, OPTIONAL, 0x010B); // PE32
  Put32(Bytes, OPTIONAL + 16, FAKE_TEXT_OFFSET);
  Put32(Bytes, OPTIONAL + 28, Fake.ImageBase);
  Put32(Bytes, OPTIONAL + 32, 32);
  Put32(Bytes, OPTIONAL + 36, 32);
  UINT32 SizeOfImage = Fake.SizeOfImage != 0 ? Fake.SizeOfImage : static_cast<UINT32>(Bytes.size());
  Put32(Bytes, OPTIONAL + 56, SizeOfImage);
  Put32(Bytes, OPTIONAL + 60, FAKE_TEXT_OFFSET);
  Put16(Bytes, OPTIONAL + 68, 11); // EFI boot service driver
  const char Name[8] = {'.', 't', 'e', 'x', 't'};
  for (UINT32 Index = 0; Index < 8; ++Index) {
    Bytes[SECTION_TABLE + Index] = static_cast<UINT8>(Name[Index]);
  }
  Put32(Bytes, SECTION_TABLE + 8, TextSize + Fake.TextVirtualExtra);
  Put32(Bytes, SECTION_TABLE + 12, FAKE_TEXT_OFFSET);
  Put32(Bytes, SECTION_TABLE + 16, TextSize);
  Put32(Bytes, SECTION_TABLE + 20, TextFileOffset);
  Put32(Bytes, SECTION_TABLE + 36, Fake.TextCharacteristics);
  for (UINT32 Index = 0; Index < TextSize; ++Index) {
    Bytes[TextFileOffset + Index] = Fake.Code[Index];
  }
  return Bytes;
}
