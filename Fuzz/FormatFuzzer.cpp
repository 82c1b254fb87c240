// Fuzzes FormatToBuffer. The first input byte chooses one of two kinds of run:
//
// - free (even byte): an arbitrary format, argument values and a buffer size;
// - directive (odd byte): one directive built from the input (flags, width,
//   precision, conversion and argument), formatted in variants whose texts
//   must agree whatever the engine does inside:
//   * a negative width, from '*' or from digits that wrap past 2^31, gives the
//     text of no width at all;
//   * "%-N..." gives the text without a width, padded with spaces on the
//     right to N characters;
//   * a decimal's ',' text with its commas removed is the text without ','.
//
// Every formatting of either kind is also checked for: nothing written past
// the buffer or after the NUL, the NUL after the text, the count equal to the
// text's length, and a cut result equal to a prefix of the uncut one.
//
// Arguments are passed as the board's slots: UINTN each, so one 32-bit slot
// per integer, character or pointer in the 32-bit build, and a 64-bit value
// in two slots there, low half first.
#include <Library/PrintLib.h>
#include <Uefi/UefiBaseType.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

typedef UINTN SLOT;
constexpr size_t MAX_SLOTS = 24;
constexpr size_t GUARD_SIZE = 32;
constexpr size_t FULL_SIZE = 4096;
constexpr CHAR8 PATTERN = static_cast<CHAR8>(0xA5);
constexpr bool TWO_SLOT_LONG = sizeof(SLOT) == sizeof(UINT32);

#define FUZZ_CHECK(Condition)                                                                      \
  do {                                                                                             \
    if (!(Condition)) {                                                                            \
      std::fprintf(stderr, "check failed: %s (line %d)\n", #Condition, __LINE__);                  \
      std::abort();                                                                                \
    }                                                                                              \
  } while (0)

// Reads the input front to back; zeros once it is used up.
class READER {
public:
  READER(const uint8_t *Data, size_t Size) : Data(Data), Size(Size) {}
  uint8_t Byte() {
    if (Size == 0) {
      return 0;
    }
    --Size;
    return *Data++;
  }
  uint64_t Bytes(size_t Count) {
    uint64_t Value = 0;
    for (size_t Index = 0; Index < Count; ++Index) {
      Value |= uint64_t{Byte()} << (8 * Index);
    }
    return Value;
  }
  const uint8_t *Data;
  size_t Size;
};

// What the string, GUID and time conversions point to.
struct POINTEES {
  std::string Ascii;
  std::vector<CHAR16> Wide;
  alignas(8) UINT8 GuidBytes[17];
  EFI_TIME Time;

  // From the input: no NUL inside the strings, the GUID deliberately misaligned.
  explicit POINTEES(READER &Input) {
    for (size_t Count = Input.Byte() % 40; Count > 0; --Count) {
      Ascii.push_back(static_cast<char>(Input.Byte() | 1));
    }
    for (size_t Count = Input.Byte() % 20; Count > 0; --Count) {
      Wide.push_back(static_cast<CHAR16>(Input.Bytes(2) | 1));
    }
    Wide.push_back(0);
    for (UINT8 &Byte : GuidBytes) {
      Byte = Input.Byte();
    }
    std::memset(&Time, 0, sizeof(Time));
    Time.Year = static_cast<UINT16>(Input.Bytes(2));
    Time.Month = Input.Byte();
    Time.Day = Input.Byte();
    Time.Hour = Input.Byte();
    Time.Minute = Input.Byte();
  }
};

// The slots of one argument of Conversion; a set bit 15 of Value makes a
// pointer argument null.
VOID PushArgument(std::vector<SLOT> &Slots, CHAR8 Conversion, bool Long, UINT64 Value,
                  const POINTEES &Pointees) {
  bool Null = (Value & 0x8000) != 0;
  switch (Conversion) {
  case 'd':
  case 'x':
  case 'X':
    if (Long && TWO_SLOT_LONG) {
      Slots.push_back(static_cast<SLOT>(Value));
      Slots.push_back(static_cast<SLOT>(Value >> 32));
    } else {
      Slots.push_back(static_cast<SLOT>(Value));
    }
    break;
  case 'p':
  case 'r':
    Slots.push_back(static_cast<SLOT>(Value));
    break;
  case 'c':
    // A unit with a zero low byte but not zero would write a NUL into the text.
    Slots.push_back(static_cast<SLOT>((Value & 0xFF) == 0 ? (Value & ~UINT64{0xFFFF}) : Value));
    break;
  case 'a':
    Slots.push_back(Null ? 0 : reinterpret_cast<SLOT>(Pointees.Ascii.c_str()));
    break;
  case 's':
  case 'S':
    Slots.push_back(Null ? 0 : reinterpret_cast<SLOT>(Pointees.Wide.data()));
    break;
  case 'g':
    Slots.push_back(Null ? 0 : reinterpret_cast<SLOT>(Pointees.GuidBytes + 1));
    break;
  case 't':
    Slots.push_back(Null ? 0 : reinterpret_cast<SLOT>(&Pointees.Time));
    break;
  default:
    break;
  }
}

UINTN CallFormat(CHAR8 *Buffer, UINTN Size, const std::string &Format,
                 const std::vector<SLOT> &Slots) {
  static_assert(MAX_SLOTS == 24, "one argument per slot below");
  SLOT S[MAX_SLOTS] = {};
  std::copy_n(Slots.begin(), std::min(Slots.size(), MAX_SLOTS), S);
  return FormatToBuffer(Buffer, Size, Format.c_str(), S[0], S[1], S[2], S[3], S[4], S[5], S[6],
                        S[7], S[8], S[9], S[10], S[11], S[12], S[13], S[14], S[15], S[16], S[17],
                        S[18], S[19], S[20], S[21], S[22], S[23]);
}

// Formats in full and into a buffer of CutSize characters followed by guard
// bytes, checks both, and returns the full text.
std::string Format(const std::string &Text, const std::vector<SLOT> &Slots, UINTN CutSize) {
  std::vector<CHAR8> Full(FULL_SIZE);
  UINTN FullCount = CallFormat(Full.data(), Full.size(), Text, Slots);
  FUZZ_CHECK(FullCount < FULL_SIZE && Full[FullCount] == 0);
  FUZZ_CHECK(FullCount == std::strlen(Full.data()));

  std::vector<CHAR8> Buffer(CutSize + GUARD_SIZE, PATTERN);
  UINTN Count = CallFormat(Buffer.data(), CutSize, Text, Slots);
  if (CutSize == 0) {
    FUZZ_CHECK(Count == 0);
  } else {
    FUZZ_CHECK(Count == std::min<UINTN>(CutSize - 1, FullCount));
    FUZZ_CHECK(Buffer[Count] == 0);
    FUZZ_CHECK(std::memcmp(Buffer.data(), Full.data(), Count) == 0);
  }
  for (size_t Index = CutSize == 0 ? 0 : Count + 1; Index < Buffer.size(); ++Index) {
    FUZZ_CHECK(Buffer[Index] == PATTERN);
  }
  return std::string(Full.data(), FullCount);
}

// Walks Text as the engine does and pushes the slots each directive takes.
// Cuts Text at the first directive that would need more than MAX_SLOTS.
std::vector<SLOT> FreeSlots(std::string &Text, READER &Input, const POINTEES &Pointees) {
  std::vector<SLOT> Slots;
  size_t Index = 0;
  while (Index < Text.size()) {
    if (Text[Index] != '%') {
      ++Index;
      continue;
    }
    size_t Start = Index;
    size_t Before = Slots.size();
    bool Long = false;
    CHAR8 Conversion = 0;
    while (++Index < Text.size()) {
      CHAR8 Character = Text[Index];
      if (Character == '*') {
        Slots.push_back(static_cast<SLOT>(Input.Bytes(4)));
      } else if (Character == 'l' || Character == 'L') {
        Long = true;
      } else if (std::strchr(" +,-.0123456789", Character) == nullptr) {
        Conversion = Character;
        break;
      }
    }
    PushArgument(Slots, Conversion, Long, Input.Bytes(8), Pointees);
    if (Slots.size() > MAX_SLOTS) {
      Slots.resize(Before);
      Text.resize(Start);
      break;
    }
    ++Index;
  }
  return Slots;
}

VOID FreeRun(READER &Input) {
  UINTN CutSize = Input.Bytes(2) % 300;
  size_t Length = 0;
  while (Length < Input.Size && Input.Data[Length] != 0) {
    ++Length;
  }
  std::string Text(reinterpret_cast<const char *>(Input.Data), Length);
  Input.Data += std::min(Input.Size, Length + 1);
  Input.Size -= std::min(Input.Size, Length + 1);
  POINTEES Pointees(Input);
  std::vector<SLOT> Slots = FreeSlots(Text, Input, Pointees);
  Format(Text, Slots, CutSize);
}

std::string WithoutCommas(std::string Text) {
  Text.erase(std::remove(Text.begin(), Text.end(), ','), Text.end());
  return Text;
}

VOID DirectiveRun(READER &Input) {
  constexpr char Conversions[] = "dxXpcasSgtrq%\n";
  UINT8 FlagBits = Input.Byte();
  CHAR8 Conversion = Conversions[Input.Byte() % (sizeof(Conversions) - 1)];
  UINT8 PrecisionByte = Input.Byte();
  UINT32 NegativeWidth = 0x80000000u | static_cast<UINT32>(Input.Bytes(4));
  UINT32 PadWidth = 1 + Input.Bytes(2) % 300;
  UINT64 Value = Input.Bytes(8);
  UINTN CutSize = Input.Bytes(2) % 300;
  POINTEES Pointees(Input);

  bool Long = (FlagBits & 0x20) != 0;
  std::string Flags;
  const char FlagCharacters[] = {'-', '+', ' ', '0', ','};
  for (size_t Bit = 0; Bit < sizeof(FlagCharacters); ++Bit) {
    if ((FlagBits & (1u << Bit)) != 0) {
      Flags.push_back(FlagCharacters[Bit]);
    }
  }
  if (Long) {
    Flags.push_back('l');
  }
  // No precision, written digits, or '*' with a slot of its own.
  std::string Precision;
  std::vector<SLOT> PrecisionSlots;
  if ((PrecisionByte & 0x80) != 0) {
    Precision = ".*";
    PrecisionSlots.push_back(static_cast<SLOT>(static_cast<INT32>(PrecisionByte & 0x3F) - 8));
  } else if ((PrecisionByte & 0x40) != 0) {
    Precision = "." + std::to_string(PrecisionByte & 0x3F);
  }
  std::vector<SLOT> ValueSlots;
  PushArgument(ValueSlots, Conversion, Long, Value, Pointees);
  auto Slots = [&](std::vector<SLOT> Width) {
    Width.insert(Width.end(), PrecisionSlots.begin(), PrecisionSlots.end());
    Width.insert(Width.end(), ValueSlots.begin(), ValueSlots.end());
    return Width;
  };
  std::string Tail = Precision + Conversion;

  const std::string Plain = Format("%" + Flags + Tail, Slots({}), CutSize);
  FUZZ_CHECK(Format("%" + Flags + "*" + Tail, Slots({NegativeWidth}), CutSize) == Plain);
  FUZZ_CHECK(Format("%" + Flags + std::to_string(NegativeWidth) + Tail, Slots({}), CutSize) ==
             Plain);

  std::string Padded = Plain;
  if (Padded.size() < PadWidth) {
    Padded.append(PadWidth - Padded.size(), ' ');
  }
  FUZZ_CHECK(Format("%-" + Flags + std::to_string(PadWidth) + Tail, Slots({}), CutSize) == Padded);

  if (Conversion == 'd' && Precision.empty()) {
    std::string Ungrouped = Flags;
    Ungrouped.erase(std::remove(Ungrouped.begin(), Ungrouped.end(), ','), Ungrouped.end());
    const std::string Grouped = Format("%," + Ungrouped + "d", Slots({}), CutSize);
    FUZZ_CHECK(WithoutCommas(Grouped) == Format("%" + Ungrouped + "d", Slots({}), CutSize));
  }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *Data, size_t Size) {
  READER Input(Data, Size);
  if ((Input.Byte() & 1) == 0) {
    FreeRun(Input);
  } else {
    DirectiveRun(Input);
  }
  return 0;
}
