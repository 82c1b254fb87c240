#include "LogAnnotation.h"

#include "AssertionReport.h"

#include <MessageText.h>

namespace TolvernLog {

namespace {

// Where a log line names a code address: the text before it, and whether an
// INT3 instruction lies there (which tells images linked at one address apart).
struct ADDRESS_MARK {
  std::string_view LineStart; // the line must start so ("" for any line)
  std::string_view Before;
  bool Int3;
};

constexpr ADDRESS_MARK ADDRESS_MARKS[] = {
    {"", "INT3 at 0x", true},
    {"[boot] exception ", ") at 0x", false},
    {"", "EIP 0x", false},
    {"", "EIP=0x", false},
};

constexpr uint8_t INT3_OPCODE = 0xCC;

std::optional<uint64_t> HexAt(std::string_view Text, size_t At) {
  uint64_t Value = 0;
  size_t Digits = 0;
  for (; At < Text.size() && Digits <= 8; ++At, ++Digits) {
    const char Character = Text[At];
    uint64_t Digit = 16;
    if (Character >= '0' && Character <= '9') {
      Digit = static_cast<uint64_t>(Character - '0');
    } else if (Character >= 'a' && Character <= 'f') {
      Digit = static_cast<uint64_t>(Character - 'a' + 10);
    } else if (Character >= 'A' && Character <= 'F') {
      Digit = static_cast<uint64_t>(Character - 'A' + 10);
    }
    if (Digit == 16) {
      break;
    }
    Value = Value * 16 + Digit;
  }
  if (Digits == 0 || Digits > 8) {
    return std::nullopt;
  }
  return Value;
}

std::string ShortPath(const ANNOTATION_CONTEXT &Context, const std::string &Path) {
  const std::string Top = Context.SourceDir + "/";
  return Path.compare(0, Top.size(), Top) == 0 ? Path.substr(Top.size()) : Path;
}

std::string Note(std::string_view Text) {
  return std::string(NOTE) + std::string(Text);
}

void AnnotateReport(const ANNOTATION_CONTEXT &Context, const REPORT &Report,
                    std::vector<std::string> &Notes) {
  const ASSERT_SITE *Site = SiteOfReport(Report);
  if (Site == nullptr) {
    Notes.push_back(Note("no assertion site of this tree sends this report"));
    return;
  }
  std::string Problem;
  const std::optional<uint32_t> Line = SiteSourceLine(Context.SourceDir, *Site, Problem);
  const std::string Where = std::string(Site->SourceFile) +
                            (Line ? ":" + std::to_string(*Line) : "") + " in " + Site->Function;
  Notes.push_back(Note(std::string("assertion site ") + SiteIdName(Site->Id) + " (" +
                       Site->Checked + ") at " + Where));
  if (!Line) {
    Notes.push_back(Note(HostTools::OneLine(Problem)));
  }
}

// The images linked at Address; for an INT3, those that hold one there.
std::vector<const LINKED_IMAGE *> ImagesAt(const ANNOTATION_CONTEXT &Context, uint64_t Address,
                                           bool Int3) {
  std::vector<const LINKED_IMAGE *> Found;
  for (const LINKED_IMAGE &Image : Context.Images) {
    if (IsLinkedAt(Image, Address) && (!Int3 || ByteAt(Image, Address) == INT3_OPCODE)) {
      Found.push_back(&Image);
    }
  }
  return Found;
}

void AnnotateAddress(const ANNOTATION_CONTEXT &Context, uint64_t Address, bool Int3,
                     std::vector<std::string> &Notes) {
  const std::string Shown = HostTools::Hex32(Address);
  const std::vector<const LINKED_IMAGE *> Images = ImagesAt(Context, Address, Int3);
  if (Images.empty()) {
    Notes.push_back(Note(Shown + (Int3 ? ": no image with symbols holds an INT3 there"
                                       : ": in no image with symbols")));
  }
  for (const LINKED_IMAGE *Image : Images) {
    std::string Problem;
    const std::optional<std::vector<FRAME>> Frames =
        SourceFrames(*Context.Symbolizer, Image->SymbolFile, Address, Problem);
    const std::string Which =
        Images.size() > 1 ? " (one of " + std::to_string(Images.size()) + " images linked there)"
                          : "";
    if (!Frames) {
      Notes.push_back(
          Note(Shown + " in " + Image->Name + Which + ": " + HostTools::OneLine(Problem)));
      continue;
    }
    Notes.push_back(Note(Shown + " in " + Image->Name + Which + ":"));
    for (size_t Index = 0; Index < Frames->size(); ++Index) {
      const FRAME &Frame = (*Frames)[Index];
      Notes.push_back(Note("  " + Frame.Function + " at " + ShortPath(Context, Frame.File) + ":" +
                           std::to_string(Frame.Line) + ":" + std::to_string(Frame.Column) +
                           (Index + 1 < Frames->size() ? " (inlined)" : "")));
    }
  }
}

} // namespace

std::vector<std::string> Annotate(const ANNOTATION_CONTEXT &Context, std::string_view Line) {
  std::vector<std::string> Notes;
  if (std::optional<REPORT> Report = ParseReport(Line)) {
    AnnotateReport(Context, *Report, Notes);
  }
  for (const ADDRESS_MARK &Mark : ADDRESS_MARKS) {
    const size_t At = Line.find(Mark.Before);
    if (Line.substr(0, Mark.LineStart.size()) != Mark.LineStart || At == std::string_view::npos) {
      continue;
    }
    if (std::optional<uint64_t> Address = HexAt(Line, At + Mark.Before.size())) {
      AnnotateAddress(Context, *Address, Mark.Int3, Notes);
    }
  }
  return Notes;
}

} // namespace TolvernLog
