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

constexpr UINT32 kPeOffset = 0x40;
constexpr UINT32 kCoff = kPeOffset + 4;
constexpr UINT32 kOptional = kCoff + 20;
constexpr UINT16 kOptionalSize = 0xE0;
constexpr UINT32 kSectionTable = kOptional + kOptionalSize;

} // namespace

std::vector<UINT8> MakeFakePe32(const FAKE_PE32 &Fake) {
  UINT32 TextSize = static_cast<UINT32>(Fake.Code.size());
  UINT32 TextFileOffset = kFakeTextOffset + Fake.TextFileOffsetShift;
  std::vector<UINT8> Bytes(TextFileOffset + TextSize + Fake.ExtraFileBytes, 0);
  Bytes[0] = 'M';
  Bytes[1] = 'Z';
  Put32(Bytes, 0x3C, Fake.LfanewOverride != 0 ? Fake.LfanewOverride : kPeOffset);
  Bytes[kPeOffset] = 'P';
  Bytes[kPeOffset + 1] = 'E';
  Put16(Bytes, kCoff, 0x014C); // Machine: IA32
  Put16(Bytes, kCoff + 2, 1);  // NumberOfSections
  Put16(Bytes, kCoff + 16, kOptionalSize);
  Put16(Bytes, kOptional, 0x010B); // PE32
  Put32(Bytes, kOptional + 16, kFakeTextOffset);
  Put32(Bytes, kOptional + 28, Fake.ImageBase);
  Put32(Bytes, kOptional + 32, 32);
  Put32(Bytes, kOptional + 36, 32);
  UINT32 SizeOfImage = Fake.SizeOfImage != 0 ? Fake.SizeOfImage : static_cast<UINT32>(Bytes.size());
  Put32(Bytes, kOptional + 56, SizeOfImage);
  Put32(Bytes, kOptional + 60, kFakeTextOffset);
  Put16(Bytes, kOptional + 68, 11); // EFI boot service driver
  const char Name[8] = {'.', 't', 'e', 'x', 't'};
  for (UINT32 Index = 0; Index < 8; ++Index) {
    Bytes[kSectionTable + Index] = static_cast<UINT8>(Name[Index]);
  }
  Put32(Bytes, kSectionTable + 8, TextSize + Fake.TextVirtualExtra);
  Put32(Bytes, kSectionTable + 12, kFakeTextOffset);
  Put32(Bytes, kSectionTable + 16, TextSize);
  Put32(Bytes, kSectionTable + 20, TextFileOffset);
  Put32(Bytes, kSectionTable + 36, Fake.TextCharacteristics);
  for (UINT32 Index = 0; Index < TextSize; ++Index) {
    Bytes[TextFileOffset + Index] = Fake.Code[Index];
  }
  return Bytes;
}
