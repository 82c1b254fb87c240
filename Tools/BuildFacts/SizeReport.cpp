#include "SizeReport.h"

#include <algorithm>
#include <cstdio>

namespace BuildFacts {

namespace {

// A chunk without a symbol is a constant the compiler made.
constexpr const char *UNNAMED_CHUNK = "(unnamed constant, e.g. a jump table)";
constexpr const char *RELOCATION_SECTION = ".reloc";
constexpr const char *CODE_SECTION = ".text";

std::string Join(const std::vector<std::string> &Names) {
  std::string Joined;
  for (const std::string &Name : Names) {
    Joined += (Joined.empty() ? "" : ", ") + Name;
  }
  return Joined.empty() ? UNNAMED_CHUNK : Joined;
}

// ".text" and ".text$mn" hold code; everything else is data.
std::string ChunkKind(const std::string &Section) {
  const size_t Letters = Section.find_first_not_of("abcdefghijklmnopqrstuvwxyz", 1);
  return Section.substr(0, Letters) == CODE_SECTION ? "code" : "data";
}

// Largest first; rows of one size by kind, then by what, both in reverse
// byte order.
bool ComesFirst(const SIZE_ROW &Left, const SIZE_ROW &Right) {
  if (Left.Size != Right.Size) {
    return Left.Size > Right.Size;
  }
  const std::string LeftKey = Left.Kind + "|" + Left.What;
  return LeftKey > Right.Kind + "|" + Right.What;
}

std::string RowLine(const SIZE_ROW &Row, uint64_t FileSize) {
  const uint64_t Tenths = (Row.Size * 1000 + FileSize / 2) / FileSize;
  const std::string Share = std::to_string(Tenths / 10) + "." + std::to_string(Tenths % 10) + "%";
  char Columns[64];
  std::snprintf(Columns, sizeof Columns, "%8llu %6s  %-8s ",
                static_cast<unsigned long long>(Row.Size), Share.c_str(), Row.Kind.c_str());
  return Columns + Row.What + "\n";
}

} // namespace

std::optional<std::vector<SIZE_ROW>> SizeRows(const std::vector<MAP_LINE> &Map, uint64_t FileSize,
                                              std::string &Problem) {
  if (FileSize == 0) {
    Problem = "the image is empty";
    return std::nullopt;
  }
  std::vector<SIZE_ROW> Rows;
  std::optional<SIZE_ROW> Chunk; // the chunk whose symbols follow
  const auto Flush = [&] {
    if (Chunk && Chunk->Size > 0) {
      Chunk->What = Join(Chunk->Symbols);
      Rows.push_back(std::move(*Chunk));
    }
    Chunk.reset();
  };
  const MAP_LINE *FirstSection = nullptr;
  for (const MAP_LINE &Line : Map) {
    if (Line.Kind == MAP_OUTPUT_SECTION) {
      Flush();
      FirstSection = FirstSection ? FirstSection : &Line;
      if (Line.Name == RELOCATION_SECTION) {
        Rows.push_back({Line.Size, "relocs", "base relocations (.reloc)", {}});
      }
    } else if (Line.Kind == MAP_INPUT_CHUNK) {
      Flush();
      Chunk = SIZE_ROW{Line.Size, ChunkKind(Line.Name), "", {}};
    } else if (Chunk) {
      Chunk->Symbols.push_back(Line.Name);
    }
  }
  Flush();
  if (FirstSection == nullptr) {
    Problem = "the map lists no sections";
    return std::nullopt;
  }
  // Sections start at the same offset in the file as in memory, so the first
  // one's address is the size of the headers.
  Rows.push_back({FirstSection->Address, "headers", "DOS stub, PE headers and section table", {}});
  uint64_t Used = 0;
  for (const SIZE_ROW &Row : Rows) {
    Used += Row.Size;
  }
  if (Used > FileSize) {
    Problem = "the map lists " + std::to_string(Used) + " bytes, the image has " +
              std::to_string(FileSize);
    return std::nullopt;
  }
  Rows.push_back(
      {FileSize - Used, "padding", "alignment between chunks and of the sections' ends", {}});
  std::sort(Rows.begin(), Rows.end(), ComesFirst);
  return Rows;
}

std::string SizeReportText(const std::string &ImageName, uint64_t FileSize,
                           const std::vector<SIZE_ROW> &Rows) {
  std::string Text = ImageName + ": " + std::to_string(FileSize) + " bytes\n";
  Text += "   bytes  share  kind     what\n";
  for (const SIZE_ROW &Row : Rows) {
    Text += RowLine(Row, FileSize);
  }
  return Text;
}

} // namespace BuildFacts
