// Fuzzes FormatToBuffer with arbitrary formats, argument values and buffer
// sizes. Checks: nothing written past the buffer or past the NUL, the NUL
// after the text whenever BufferSize is not 0, the return value equal to the
// text's length, and every cut result the prefix of the uncut one.
//
// Input: 2 bytes BufferSize (mod 300), the format up to the first NUL, 8 bytes
// per argument value (MAX_SLOTS of them, zero where the input ends), then the
// bytes of the string arguments.
//
// The engine's own grammar is mirrored here to learn which slot takes what:
// strings, GUIDs and times get pointers to valid buffers (or null), all other
// slots get the fuzzed values. Every argument is passed as a 64-bit value; on
// the x86-64 ABI a 32-bit or pointer read of such a slot sees its low half or
// the pointer, which is what the engine's slot reads expect.
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

constexpr size_t MAX_SLOTS = 20;
constexpr size_t GUARD_SIZE = 32;
constexpr size_t FULL_SIZE = 4096;
constexpr CHAR8 PATTERN = static_cast<CHAR8>(0xA5);

enum SLOT_KIND { SLOT_INTEGER, SLOT_CHARACTER, SLOT_ASCII, SLOT_WIDE, SLOT_GUID, SLOT_TIME };

#define FUZZ_CHECK(Condition)                                                                      \
  do {                                                                                             \
    if (!(Condition)) {                                                                            \
      std::fprintf(stderr, "check failed: %s (line %d)\n", #Condition, __LINE__);                  \
      std::abort();                                                                                \
    }                                                                                              \
  } while (0)

// Walks Format as the engine does and lists the slot each directive takes.
// Cuts Format at the first directive that would need more than MAX_SLOTS.
std::vector<SLOT_KIND> ListSlots(std::string &Format) {
  std::vector<SLOT_KIND> Slots;
  size_t Index = 0;
  while (Index < Format.size()) {
    if (Format[Index] != '%') {
      ++Index;
      continue;
    }
    size_t Start = Index;
    size_t Before = Slots.size();
    bool Long = false;
    char Conversion = 0;
    while (++Index < Format.size()) {
      char Character = Format[Index];
      if (Character >= '0' && Character <= '9') {
        continue;
      }
      if (Character == '*') {
        Slots.push_back(SLOT_INTEGER);
      } else if (Character == 'l' || Character == 'L') {
        Long = true;
      } else if (std::strchr(" +,-.", Character) == nullptr) {
        Conversion = Character;
        break;
      }
    }
    switch (Conversion) {
    case 'd':
    case 'x':
    case 'X':
    case 'r':
    case 'p':
      Slots.push_back(SLOT_INTEGER);
      break;
    case 'c':
      Slots.push_back(SLOT_CHARACTER);
      break;
    case 'a':
      Slots.push_back(SLOT_ASCII);
      break;
    case 's':
    case 'S':
      Slots.push_back(SLOT_WIDE);
      break;
    case 'g':
      Slots.push_back(SLOT_GUID);
      break;
    case 't':
      Slots.push_back(SLOT_TIME);
      break;
    default:
      break;
    }
    (void)Long; // one 64-bit slot whether long or not, on this ABI
    if (Slots.size() > MAX_SLOTS) {
      Slots.resize(Before);
      Format.resize(Start);
      break;
    }
    ++Index;
  }
  return Slots;
}

UINTN Format(CHAR8 *Buffer, UINTN Size, const std::string &Text, const UINT64 *A) {
  static_assert(MAX_SLOTS == 20, "one argument per slot below");
  return FormatToBuffer(Buffer, Size, Text.c_str(), A[0], A[1], A[2], A[3], A[4], A[5], A[6], A[7],
                        A[8], A[9], A[10], A[11], A[12], A[13], A[14], A[15], A[16], A[17], A[18],
                        A[19]);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *Data, size_t Size) {
  if (Size < 2) {
    return 0;
  }
  UINTN BufferSize = (Data[0] | (Data[1] << 8)) % 300;
  Data += 2;
  Size -= 2;

  const uint8_t *FormatEnd = static_cast<const uint8_t *>(std::memchr(Data, 0, Size));
  size_t FormatLength = FormatEnd ? static_cast<size_t>(FormatEnd - Data) : Size;
  std::string Text(reinterpret_cast<const char *>(Data), FormatLength);
  size_t Used = std::min(Size, FormatLength + 1);
  Data += Used;
  Size -= Used;

  UINT64 Values[MAX_SLOTS] = {};
  size_t ValueBytes = std::min(Size, sizeof(Values));
  std::memcpy(Values, Data, ValueBytes);
  Data += ValueBytes;
  Size -= ValueBytes;

  // String arguments from the rest of the input. Wide units with a zero low
  // byte end the string, so that no text ever holds a NUL byte.
  std::string Ascii(reinterpret_cast<const char *>(Data), Size);
  Ascii.resize(std::strlen(Ascii.c_str()));
  std::vector<CHAR16> Wide;
  for (size_t Index = 0; Index + 1 < Size && Data[Index] != 0; Index += 2) {
    Wide.push_back(static_cast<CHAR16>(Data[Index] | (Data[Index + 1] << 8)));
  }
  Wide.push_back(0);
  alignas(8) UINT8 GuidBytes[17];
  std::memcpy(GuidBytes + 1, Values, 16); // deliberately misaligned
  EFI_TIME Time;
  std::memcpy(&Time, Values + 2, sizeof(Time));

  std::vector<SLOT_KIND> Slots = ListSlots(Text);
  UINT64 Arguments[MAX_SLOTS] = {};
  for (size_t Slot = 0; Slot < Slots.size(); ++Slot) {
    UINT64 Value = Values[Slot];
    bool Null = (Value & 0x8000) != 0;
    switch (Slots[Slot]) {
    case SLOT_INTEGER:
      Arguments[Slot] = Value;
      break;
    case SLOT_CHARACTER:
      // A unit with a zero low byte but not zero would write a NUL byte.
      Arguments[Slot] = (Value & 0xFF) == 0 ? (Value & ~UINT64{0xFFFF}) : Value;
      break;
    case SLOT_ASCII:
      Arguments[Slot] = Null ? 0 : reinterpret_cast<uintptr_t>(Ascii.c_str());
      break;
    case SLOT_WIDE:
      Arguments[Slot] = Null ? 0 : reinterpret_cast<uintptr_t>(Wide.data());
      break;
    case SLOT_GUID:
      Arguments[Slot] = Null ? 0 : reinterpret_cast<uintptr_t>(GuidBytes + 1);
      break;
    case SLOT_TIME:
      Arguments[Slot] = Null ? 0 : reinterpret_cast<uintptr_t>(&Time);
      break;
    }
  }

  std::vector<CHAR8> Full(FULL_SIZE);
  UINTN FullCount = Format(Full.data(), Full.size(), Text, Arguments);
  FUZZ_CHECK(FullCount < FULL_SIZE && Full[FullCount] == 0);
  FUZZ_CHECK(FullCount == std::strlen(Full.data()));

  std::vector<CHAR8> Buffer(BufferSize + GUARD_SIZE, PATTERN);
  UINTN Count = Format(Buffer.data(), BufferSize, Text, Arguments);
  if (BufferSize == 0) {
    FUZZ_CHECK(Count == 0);
  } else {
    FUZZ_CHECK(Count < BufferSize);
    FUZZ_CHECK(Buffer[Count] == 0);
    FUZZ_CHECK(Count == std::strlen(Buffer.data()));
    FUZZ_CHECK(Count == std::min<UINTN>(BufferSize - 1, FullCount));
    FUZZ_CHECK(std::memcmp(Buffer.data(), Full.data(), Count) == 0);
  }
  size_t Untouched = BufferSize == 0 ? 0 : Count + 1;
  for (size_t Index = Untouched; Index < Buffer.size(); ++Index) {
    FUZZ_CHECK(Buffer[Index] == PATTERN);
  }
  return 0;
}
