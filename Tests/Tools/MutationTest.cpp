// Hostile images for every tool: seeded mutants of the built image (bit
// flips, header fields, section table entries, relocation blocks,
// truncations) given to the inspector and the emulator, wrapped into a PEIM
// file by tolvern-ffs, placed by tolvern-flash (as that file, or as the raw
// mutant when tolvern-ffs refused it) and, when a flash image came out,
// inspected as a dump. Each tool must take or refuse every input with its
// documented exit status, one line on stderr for a refusal, and never crash
// or hang.
//
//   MutationTest --mutants N [--seed S]     prints the figures; exit 1 on any fault
#include "PeLayout.h"
#include "ToolRun.h"

#include <ExpectedFlashMap.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <set>
#include <string>
#include <vector>

namespace {

using PeLayout::FILE_BYTES;

typedef std::mt19937_64 RANDOM;

uint32_t Interesting(RANDOM &Random) {
  static const uint32_t Values[] = {
      0,         1,       2,          0x1F,       0x20,       0xFF,       0x1000,
      0xFFFF,    0x10000, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFE, 0xFFFFFFFF, Expected::IMAGE_BASE,
      0x01000000};
  return Random() % 2 == 0 ? Values[Random() % std::size(Values)] : static_cast<uint32_t>(Random());
}

void FlipBits(FILE_BYTES &File, RANDOM &Random) {
  for (uint64_t Count = 1 + Random() % 8; Count > 0; --Count) {
    File[Random() % File.size()] ^= static_cast<uint8_t>(1u << (Random() % 8));
  }
}

void DamageHeaderField(FILE_BYTES &File, RANDOM &Random) {
  using namespace PeLayout;
  const size_t Optional = OptionalHeader(File);
  const size_t Pe = PeHeader(File);
  const size_t Fields32[] = {LFANEW,
                             Optional + ENTRY_POINT,
                             Optional + IMAGE_BASE,
                             Optional + SECTION_ALIGNMENT,
                             Optional + FILE_ALIGNMENT,
                             Optional + SIZE_OF_IMAGE,
                             Optional + SIZE_OF_HEADERS,
                             Optional + DATA_DIRECTORIES + 8 * BASE_RELOCATION_DIRECTORY,
                             Optional + DATA_DIRECTORIES + 8 * BASE_RELOCATION_DIRECTORY + 4};
  const size_t Fields16[] = {Pe + COFF_MACHINE, Pe + COFF_SECTION_COUNT, Pe + COFF_OPTIONAL_SIZE,
                             Pe + COFF_CHARACTERISTICS, Optional};
  if (Random() % 3 == 0) {
    Put16(File, Fields16[Random() % std::size(Fields16)],
          static_cast<uint16_t>(Interesting(Random)));
  } else {
    Put32(File, Fields32[Random() % std::size(Fields32)], Interesting(Random));
  }
}

void DamageSection(FILE_BYTES &File, RANDOM &Random) {
  using namespace PeLayout;
  const size_t Count = Get16(File, PeHeader(File) + COFF_SECTION_COUNT);
  const size_t Section = FirstSection(File) + SECTION_HEADER_SIZE * (Random() % Count);
  const size_t Fields[] = {SECTION_VIRTUAL_SIZE, SECTION_RVA, SECTION_RAW_SIZE, SECTION_RAW_OFFSET,
                           SECTION_CHARACTERISTICS};
  Put32(File, Section + Fields[Random() % std::size(Fields)], Interesting(Random));
}

void DamageRelocations(FILE_BYTES &File, RANDOM &Random) {
  const size_t Table = PeLayout::RelocationTable(File);
  if (Table + 8 > File.size()) {
    FlipBits(File, Random);
    return;
  }
  const size_t At = Table + Random() % std::min<size_t>(File.size() - Table, 64);
  if (Random() % 2 == 0 && At + 4 <= File.size()) {
    PeLayout::Put32(File, At & ~size_t{1}, Interesting(Random));
  } else {
    File[At] = static_cast<uint8_t>(Random());
  }
}

void Truncate(FILE_BYTES &File, RANDOM &Random) {
  File.resize(Random() % File.size());
}

struct MUTATION {
  const char *Name;
  void (*Apply)(FILE_BYTES &, RANDOM &);
};

constexpr MUTATION MUTATIONS[] = {{"bit flips", FlipBits},
                                  {"header field", DamageHeaderField},
                                  {"section table", DamageSection},
                                  {"relocation block", DamageRelocations},
                                  {"truncation", Truncate}};

// What a tool may answer: the statuses of a refusal (the input not taken) and
// of an input taken, whatever the result.
struct TOOL {
  const char *Name;
  std::vector<std::string> Arguments;
  std::set<int> Refused;
  std::set<int> Taken;
  std::string Needs = "";  // a file an earlier tool must have written, or none
  unsigned Counts[4] = {}; // refused, taken, crashed, hung
};

enum OUTCOME { REFUSED, TAKEN, CRASHED, HUNG };

OUTCOME Judge(const TOOL &Tool, const TOOL_RUN &Run, std::string &Why) {
  if (Run.TimedOut) {
    Why = "no answer within the time-out";
    return HUNG;
  }
  if (!Run.Exited) {
    Why = "killed by signal " + std::to_string(Run.Signal);
    return CRASHED;
  }
  const long Lines = std::count(Run.Stderr.begin(), Run.Stderr.end(), '\n');
  const bool OneLine = Lines == 1 && Run.Stderr.rfind(std::string(Tool.Name) + ": ", 0) == 0;
  if (Tool.Refused.count(Run.ExitCode) != 0) {
    if (!OneLine) {
      Why = "refused without one line on stderr: " + Run.Stderr;
      return CRASHED;
    }
    return REFUSED;
  }
  // A taken input may still fail its checks (a record that breaks an
  // invariant, a run that stops): at most that one line, then.
  if (Tool.Taken.count(Run.ExitCode) != 0 && (Lines == 0 || OneLine)) {
    return TAKEN;
  }
  Why = "exit status " + std::to_string(Run.ExitCode) + ", stderr: " + Run.Stderr;
  return CRASHED;
}

} // namespace

int main(int Argc, char **Argv) {
  uint64_t Mutants = 300;
  uint64_t Seed = 1;
  for (int Index = 1; Index + 1 < Argc; Index += 2) {
    const std::string Option = Argv[Index];
    (Option == "--mutants" ? Mutants : Seed) = std::strtoull(Argv[Index + 1], nullptr, 0);
  }
  const FILE_BYTES Original = ReadFileBytes(TOLVERN_IMAGE_PATH);
  const std::string Mutant = ScratchPath("mutant.efi");
  const std::string File = ScratchPath("mutant.ffs");
  const std::string Module = ScratchPath("module-input");
  const std::string Flash = ScratchPath("mutant-flash.bin");
  const std::set<int> INSPECTED = {0, 3, 5, 6, 7};
  std::vector<TOOL> Tools = {
      {"tolvern-inspect", {TOLVERN_INSPECT_PATH, Mutant}, {1}, INSPECTED},
      {"tolvern-emu", {TOLVERN_EMU_PATH, Mutant, "--max-instructions", "50000"}, {2}, {0, 1}},
      {"tolvern-ffs",
       {TOLVERN_FFS_TOOL_PATH, "--pe32", Mutant, "--guid", TOLVERN_FILE_GUID, "--name", "Tolvern",
        "--depex", "TRUE END", "--output", File},
       {1},
       {0}},
      {"tolvern-flash",
       {TOLVERN_FLASH_PATH, "--peim", CONSUMER_FFS_PATH, "--module", Module, "--address",
        Expected::ImageBaseText(), "--platform", BOOT_PLATFORM_BIN, "--platform-address",
        "0xFFFF0000", "--output", Flash},
       {1},
       {0}},
      {"tolvern-inspect", {TOLVERN_INSPECT_PATH, Flash}, {1}, INSPECTED, Flash},
  };

  RANDOM Random(Seed);
  unsigned Faults = 0;
  for (uint64_t Number = 0; Number < Mutants; ++Number) {
    FILE_BYTES Bytes = Original;
    const MUTATION &Mutation = MUTATIONS[Random() % std::size(MUTATIONS)];
    Mutation.Apply(Bytes, Random);
    WriteFileBytes(Mutant, Bytes);
    std::filesystem::remove(File);
    std::filesystem::remove(Flash);
    for (TOOL &Tool : Tools) {
      if (Tool.Name == std::string("tolvern-flash")) {
        std::filesystem::copy_file(std::filesystem::exists(File) ? File : Mutant, Module,
                                   std::filesystem::copy_options::overwrite_existing);
      }
      if (!Tool.Needs.empty() && !std::filesystem::exists(Tool.Needs)) {
        continue;
      }
      std::string Why;
      const OUTCOME Outcome = Judge(Tool, RunTool(Tool.Arguments, 20), Why);
      ++Tool.Counts[Outcome];
      if (Outcome == CRASHED || Outcome == HUNG) {
        ++Faults;
        const std::string Kept = ScratchPath("fault-" + std::to_string(Number) + ".efi");
        std::filesystem::copy_file(Mutant, Kept, std::filesystem::copy_options::overwrite_existing);
        std::printf("FAULT mutant %llu (%s) in %s: %s (kept as %s)\n",
                    static_cast<unsigned long long>(Number), Mutation.Name, Tool.Name, Why.c_str(),
                    Kept.c_str());
      }
    }
  }
  std::printf("%llu mutants of %s, seed %llu\n", static_cast<unsigned long long>(Mutants),
              TOLVERN_IMAGE_PATH, static_cast<unsigned long long>(Seed));
  std::printf("%-28s %8s %8s %8s %8s\n", "tool", "refused", "taken", "crashed", "hung");
  for (const TOOL &Tool : Tools) {
    const std::string Name = Tool.Name + std::string(Tool.Needs.empty() ? "" : " (flash image)");
    std::printf("%-28s %8u %8u %8u %8u\n", Name.c_str(), Tool.Counts[REFUSED], Tool.Counts[TAKEN],
                Tool.Counts[CRASHED], Tool.Counts[HUNG]);
  }
  return Faults == 0 ? 0 : 1;
}
