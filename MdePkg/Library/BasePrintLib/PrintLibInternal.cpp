// The format engine: scans the format, parses directives, fetches arguments
// and writes every element through one bounded output stage.
#include "PrintLibInternal.h"

#include <Library/AssertSites.h>
#include <Library/BaseLib.h>

namespace {

// The flag characters of a directive. '*' and the digits carry numbers and
// are handled apart.
struct DIRECTIVE_FLAG {
  CHAR8 Character;
  UINT8 Flag;
};

constexpr DIRECTIVE_FLAG DirectiveFlags[] = {
    {'-', LEFT_JUSTIFY},    {'+', SHOW_PLUS},  {' ', SHOW_BLANK}, {',', GROUP_THOUSANDS},
    {'.', PRECISION_GIVEN}, {'l', LONG_VALUE}, {'L', LONG_VALUE},
};
static_assert((SHOW_BLANK | SHOW_PLUS | GROUP_THOUSANDS | LEFT_JUSTIFY | PRECISION_GIVEN |
               LONG_VALUE) <= 0xFF,
              "directive flags fit the table's bytes");

// The flag a directive character sets, or 0 when it is not a flag character.
UINT32 DirectiveFlag(CHAR8 Character) {
  for (const DIRECTIVE_FLAG &Entry : DirectiveFlags) {
    if (Entry.Character == Character) {
      return Entry.Flag;
    }
  }
  return 0;
}

} // namespace

// Out of line: its callers share one copy.
__attribute__((noinline)) CHAR8 *FillChars(CHAR8 *Buffer, const CHAR8 *End, INT32 Length,
                                           CHAR8 Character) {
  for (; Length > 0 && Buffer < End; --Length) {
    *Buffer++ = Character;
  }
  return Buffer;
}

namespace {

enum CONVERSION_KIND {
  CONVERSION_CHARACTER,
  CONVERSION_STRING,
  CONVERSION_INTEGER,
  CONVERSION_GUID,
  CONVERSION_TIME,
  CONVERSION_STATUS,
};

// What each conversion character takes and the flags it sets; only the
// 16-bit texts set WIDE_ARGUMENT.
struct CONVERSION {
  CHAR8 Character;
  UINT8 Kind;
  UINT16 Flags;
};

constexpr CONVERSION Conversions[] = {
    {'c', CONVERSION_CHARACTER, WIDE_ARGUMENT},
    {'a', CONVERSION_STRING, 0},
    {'s', CONVERSION_STRING, WIDE_ARGUMENT},
    {'S', CONVERSION_STRING, WIDE_ARGUMENT},
    {'d', CONVERSION_INTEGER, 0},
    {'x', CONVERSION_INTEGER, RADIX_HEX},
    {'X', CONVERSION_INTEGER, RADIX_HEX | ZERO_FILL},
    {'p', CONVERSION_INTEGER, RADIX_HEX | ZERO_FILL | POINTER_VALUE},
    {'g', CONVERSION_GUID, 0},
    {'t', CONVERSION_TIME, 0},
    {'r', CONVERSION_STATUS, 0},
};

const CONVERSION *FindConversion(CHAR8 Character) {
  for (const CONVERSION &Conversion : Conversions) {
    if (Conversion.Character == Character) {
      return &Conversion;
    }
  }
  return nullptr;
}

// Count, padding, the text itself and justification of one element. Nothing
// is written at or past End.
CHAR8 *WriteElement(CHAR8 *Buffer, const CHAR8 *End, const PRINT_ELEMENT *Element) {
  UINT32 Flags = Element->Flags;
  UINT32 Count = Element->Count;
  UINT32 Precision = Element->Precision;
  // Every kind of text is read a byte at a time: 8-bit strings forwards, the
  // low bytes of 16-bit units every second byte, a number's digits backwards.
  const UINT8 *Text = static_cast<const UINT8 *>(Element->Text);
  INTN Step = (Flags & WIDE_ARGUMENT) != 0 ? 2 : 1;
  CHAR8 PadCharacter = ' ';
  if ((Flags & NUMBER_TEXT) != 0) {
    Step = -1;
    PadCharacter = '0';
  } else {
    // Units before the terminator, but no more than a given precision.
    UINT32 Limit = (Flags & PRECISION_GIVEN) != 0 ? Precision : ~0u;
    for (const UINT8 *Unit = Text; Count < Limit && (Unit[0] != 0 || (Step == 2 && Unit[1] != 0));
         Unit += Step) {
      ++Count;
    }
  }
  // Zeros or spaces up to the precision: their difference, read as a signed
  // length, so that a precision of 2^31 or more adds none.
  INT32 Fill = static_cast<INT32>(Precision - Count);
  if (Fill < 0) {
    Fill = 0;
  }
  // Spaces up to the width, around what is really written. Widths are
  // signed: a negative one pads nothing.
  INT32 Width = static_cast<INT32>(Element->Width);
  UINT32 Length = Count + static_cast<UINT32>(Fill);
  INT32 Padding = 0;
  if (Width > 0 && Length < static_cast<UINT32>(Width)) {
    Padding = Width - static_cast<INT32>(Length);
  }
  // The padding goes before the text, or after it when left-justified.
  INT32 RightPadding = (Flags & LEFT_JUSTIFY) != 0 ? Padding : 0;
  Buffer = FillChars(Buffer, End, Padding - RightPadding, ' ');

  // Only numbers have a prefix; it counts as their first character.
  UINT32 PrefixLength = Element->Prefix != 0 ? 1 : 0;
  Buffer = FillChars(Buffer, End, static_cast<INT32>(PrefixLength), Element->Prefix);
  Buffer = FillChars(Buffer, End, Fill, PadCharacter);
  // As many units as are left and fit.
  UINTN Units = Count - PrefixLength;
  if (Units > static_cast<UINTN>(End - Buffer)) {
    Units = static_cast<UINTN>(End - Buffer);
  }
  for (; Units != 0; --Units) {
    *Buffer++ = static_cast<CHAR8>(*Text);
    Text += Step;
  }

  return FillChars(Buffer, End, RightPadding, ' ');
}

static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__,
              "a 16-bit unit's low byte comes first in memory");

// Reads the flags, width and precision that follow the '%' at Format, in any
// order, into Element. Returns the position of the conversion character, or
// of the NUL when the format ends inside the directive.
[[gnu::always_inline]] inline const CHAR8 *
ParseDirective(const CHAR8 *Format, PRINT_ELEMENT *Element, VA_LIST *Arguments) {
  UINT32 Flags = 0;
  UINT32 Width = 0;
  UINT32 Precision = 1;
  for (;;) {
    CHAR8 Character = *++Format;
    UINT32 Number = 0;
    if (Character == '*') {
      // The next slot, as a signed 32-bit number.
      Number = VA_ARG(*Arguments, UINT32);
    } else if (Character >= '0' && Character <= '9') {
      if (Character == '0' && (Flags & PRECISION_GIVEN) == 0) {
        Flags |= ZERO_FILL;
      }
      for (; Format[0] >= '0' && Format[0] <= '9'; ++Format) {
        Number = Number * 10 + static_cast<UINT32>(Format[0] - '0');
      }
      --Format;
    } else {
      UINT32 Flag = DirectiveFlag(Character);
      if (Flag == 0) {
        Element->Flags = Flags;
        Element->Width = Width;
        Element->Precision = Precision;
        return Format;
      }
      Flags |= Flag;
      continue;
    }
    if ((Flags & PRECISION_GIVEN) != 0) {
      Precision = Number;
    } else {
      Width = Number;
      Flags |= WIDTH_GIVEN;
    }
  }
}

// An integer conversion's value: two slots for a 64-bit one on the board, a
// 32-bit hexadecimal one as it is, a decimal one sign-extended.
[[gnu::always_inline]] inline UINT64 TakeInteger(UINT32 Flags, UINTN Slot, VA_LIST *Arguments) {
  UINT64 Value = Slot;
  if ((Flags & LONG_VALUE) != 0) {
    // On the board a 64-bit value takes a second slot: its high half.
    if (sizeof(UINTN) == sizeof(UINT32)) {
      Value |= static_cast<UINT64>(VA_ARG(*Arguments, UINT32)) << 32;
    }
  } else if ((Flags & RADIX_HEX) != 0) {
    if ((Flags & POINTER_VALUE) == 0) {
      Value = static_cast<UINT32>(Slot);
    }
  } else {
    Value = static_cast<UINT64>(static_cast<INT64>(static_cast<INT32>(Slot)));
  }
  return Value;
}

// Takes the conversion's argument and makes the element's text of it: in
// Unit for a character, in Scratch for a number, GUID, time or status.
[[gnu::always_inline]] inline VOID ConvertArgument(const CONVERSION *Conversion,
                                                   PRINT_ELEMENT *Element, VA_LIST *Arguments,
                                                   CHAR16 *Unit, CHAR8 *Scratch) {
  Element->Flags = (Element->Flags & ~WIDE_ARGUMENT) | Conversion->Flags;
  if ((Element->Flags & POINTER_VALUE) != 0) {
    // One pointer-sized slot, unsigned: on a 64-bit host that is a 64-bit value.
    Element->Flags &= ~(SHOW_PLUS | SHOW_BLANK | LONG_VALUE);
  }
  // Every conversion takes one slot: pointer-sized, so that a 64-bit
  // host reads its pointers whole and its 32-bit values from the low half.
  UINTN Slot = VA_ARG(*Arguments, UINTN);
  switch (Conversion->Kind) {
  case CONVERSION_CHARACTER:
    Unit[0] = static_cast<CHAR16>(Slot);
    break;
  case CONVERSION_STRING:
    Element->Text = reinterpret_cast<const VOID *>(Slot);
    if (Slot == 0) {
      Element->Text = "<null string>";
      Element->Flags &= ~WIDE_ARGUMENT;
    }
    if ((Element->Flags & PRECISION_GIVEN) == 0) {
      Element->Precision = 0;
    }
    break;
  case CONVERSION_INTEGER:
    ConvertInteger(Element, TakeInteger(Element->Flags, Slot, Arguments), Scratch);
    break;
  case CONVERSION_GUID:
    Element->Text = ConvertGuid(reinterpret_cast<const EFI_GUID *>(Slot), Scratch);
    break;
  case CONVERSION_TIME:
    Element->Text = ConvertTime(reinterpret_cast<const EFI_TIME *>(Slot), Scratch);
    break;
  default:
    Element->Text = ConvertStatus(static_cast<UINT32>(Slot), Scratch);
    break;
  }
}

} // namespace

UINTN FormatWorker(CHAR8 *Buffer, UINTN BufferSize, const CHAR8 *Format, VA_LIST Arguments) {
  if (BufferSize == 0) {
    return 0;
  }
  if (Buffer == nullptr) {
    REPORT_ASSERT_SITE(ASSERT_SITE_FORMAT_BUFFER);
    return 0;
  }
  CHAR8 *const Start = Buffer;
  const CHAR8 *const End = Buffer + BufferSize - 1;
  if (Format == nullptr) {
    // The format's one check is its length's: a null string is reported
    // there. A non-null format's length is never needed, so it is not taken.
    AsciiLength(Format);
    *Buffer = 0;
    return 0;
  }

  // A list of its own, so that the steps below can take arguments through its
  // address on every host.
  VA_LIST Marker;
  VA_COPY(Marker, Arguments);
  CHAR8 Scratch[VALUE_BUFFER_SIZE];
  CHAR16 Unit[2];
  while (*Format != 0 && Buffer < End) {
    CHAR8 Character = *Format;
    if (Character != '%' && Character != '\n' && Character != '\r') {
      // A plain character: no width or precision, so it is written as is.
      *Buffer++ = Character;
      ++Format;
      continue;
    }

    PRINT_ELEMENT Element;
    Element.Flags = 0;
    Element.Width = 0;
    Element.Precision = 1;
    Element.Count = 0;
    Element.Prefix = 0;
    Element.Text = Unit;
    if (Character == '%') {
      Format = ParseDirective(Format, &Element, &Marker);
      Character = *Format;
    }

    // Character is now a bare newline or carriage return, or a conversion.
    // Unless a conversion below makes another text, the text is the
    // character itself, as one 16-bit unit ('%%', '%q' and so on).
    Unit[0] = static_cast<UINT8>(Character);
    Unit[1] = 0;
    Element.Flags |= WIDE_ARGUMENT;
    const CONVERSION *Conversion = FindConversion(Character);
    if (Character == '\n' || Character == '\r') {
      // A newline, or either character with its partner right after it, is
      // CR LF; a lone carriage return stays the one character it is.
      Element.Flags &= ~WIDE_ARGUMENT;
      Element.Text = "\r\n";
      if (Format[1] == ('\n' ^ '\r' ^ Character)) {
        ++Format;
      } else if (Character == '\r') {
        Element.Text = "\r";
      }
    } else if (Character == 0) {
      // The format ends inside the directive: an empty text, so that only a
      // width still shows, and the main loop sees the NUL next.
      Element.Precision = 0;
      --Format;
    } else if (Conversion != nullptr) {
      ConvertArgument(Conversion, &Element, &Marker, Unit, Scratch);
    }

    Buffer = WriteElement(Buffer, End, &Element);
    ++Format;
  }

  VA_END(Marker);
  *Buffer = 0;
  return static_cast<UINTN>(Buffer - Start);
}
