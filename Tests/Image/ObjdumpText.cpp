// objdump's layout: the start address is "start address 0x<hex>", header
// fields are "Name<tabs>value", directories are
// "Entry <hex index> <rva> <size> <description>", relocations are
// "reloc <n> offset <hex> [<rva>] <TYPE>", and each section is a numbered line
// followed by a line of flags.
#include "ObjdumpText.h"

#include "ToolRun.h"

#include <regex>
#include <stdexcept>

namespace {

uint64_t Hex(const std::string &Text) {
  return std::stoull(Text, nullptr, 16);
}

} // namespace

std::optional<uint64_t> OBJDUMP_IMAGE::HexField(const std::string &Name) const {
  const auto Found = Fields.find(Name);
  if (Found == Fields.end()) {
    return std::nullopt;
  }
  return Hex(Found->second);
}

const OBJDUMP_SECTION *OBJDUMP_IMAGE::Section(const std::string &Name) const {
  for (const OBJDUMP_SECTION &Section : Sections) {
    if (Section.Name == Name) {
      return &Section;
    }
  }
  return nullptr;
}

void ParseFileHeader(const std::string &Text, OBJDUMP_IMAGE &Image) {
  const std::regex Start(R"(^start address 0x([0-9a-f]+)$)");
  std::smatch Match;
  for (const std::string &Line : SplitLines(Text)) {
    if (std::regex_match(Line, Match, Start)) {
      Image.StartAddress = Hex(Match[1]);
    }
  }
}

void ParsePrivateHeaders(const std::string &Text, OBJDUMP_IMAGE &Image) {
  const std::regex Format(R"(file format (\S+))");
  const std::regex Field(R"(^([A-Za-z0-9]+)\s+([0-9a-fA-F]+)\b.*$)");
  const std::regex Directory(R"(^Entry ([0-9a-f]) ([0-9a-f]{8}) ([0-9a-f]{8}) .*$)");
  const std::regex Relocation(
      R"(^\s*reloc\s+\d+\s+offset\s+[0-9a-f]+\s+\[\s*([0-9a-f]+)\]\s+(\S+))");
  std::smatch Match;
  for (const std::string &Line : SplitLines(Text)) {
    if (Image.FileFormat.empty() && std::regex_search(Line, Match, Format)) {
      Image.FileFormat = Match[1];
    } else if (std::regex_match(Line, Match, Directory)) {
      Image.DataDirectories[static_cast<int>(Hex(Match[1]))] = {Hex(Match[2]), Hex(Match[3])};
    } else if (std::regex_search(Line, Match, Relocation)) {
      Image.Relocations.push_back({Hex(Match[1]), Match[2]});
    } else if (std::regex_match(Line, Match, Field)) {
      Image.Fields.emplace(Match[1], Match[2]);
    }
  }
}

void ParseSectionHeaders(const std::string &Text, OBJDUMP_IMAGE &Image) {
  const std::regex Header(
      R"(^\s*\d+\s+(\S+)\s+([0-9a-f]+)\s+([0-9a-f]+)\s+([0-9a-f]+)\s+([0-9a-f]+)\s+2\*\*\d+\s*$)");
  const std::vector<std::string> Lines = SplitLines(Text);
  std::smatch Match;
  for (size_t Index = 0; Index < Lines.size(); ++Index) {
    if (!std::regex_match(Lines[Index], Match, Header)) {
      continue;
    }
    OBJDUMP_SECTION Section{Match[1], Hex(Match[2]), Hex(Match[3]), Hex(Match[5]), ""};
    if (Index + 1 < Lines.size()) {
      Section.Flags = Lines[Index + 1];
    }
    Image.Sections.push_back(Section);
  }
}

OBJDUMP_IMAGE ReadWithObjdump(const std::string &Path) {
  OBJDUMP_IMAGE Image;
  for (const char *Option : {"-f", "-p", "-h"}) {
    const TOOL_RUN Run = RunTool({TOLVERN_OBJDUMP_PATH, Option, Path});
    if (!Run.Exited || Run.ExitCode != 0) {
      throw std::runtime_error(std::string("objdump ") + Option + " failed: " + Run.Stderr);
    }
    if (std::string(Option) == "-f") {
      ParseFileHeader(Run.Stdout, Image);
    } else if (std::string(Option) == "-p") {
      ParsePrivateHeaders(Run.Stdout, Image);
    } else {
      ParseSectionHeaders(Run.Stdout, Image);
    }
  }
  return Image;
}
