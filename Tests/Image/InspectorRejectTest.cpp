// tolvern-inspect on files that are not a sound Tolvern image: it must exit
// non-zero with exactly one line on stderr that says why, and never crash.
#include "ExpectedFlashMap.h"
#include "ImageBytes.h"
#include "ImageTestSupport.h"
#include "PeLayout.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <regex>

namespace {

using BYTES = std::vector<unsigned char>;

constexpr int IMAGE_REJECTED = 1;
constexpr int CHECKS_FAILED = 3;

PUBLISHED_OBJECTS Objects() {
  std::string Why;
  const auto Found = FindPublishedObjects(ImageByObjdump(), ImageFileBytes(), Why);
  if (!Found) {
    throw std::runtime_error(Why);
  }
  return *Found;
}

BYTES Cut(size_t Size) {
  const BYTES &Image = ImageFileBytes();
  return BYTES(Image.begin(), Image.begin() + static_cast<std::ptrdiff_t>(Size));
}

BYTES Patched(size_t Offset, std::vector<uint8_t> Bytes) {
  BYTES Image = ImageFileBytes();
  std::copy(Bytes.begin(), Bytes.end(), Image.begin() + static_cast<std::ptrdiff_t>(Offset));
  return Image;
}

BYTES Flipped(size_t Offset, uint8_t Mask) {
  BYTES Image = ImageFileBytes();
  Image.at(Offset) ^= Mask;
  return Image;
}

size_t RecordWordOffset(size_t Word) {
  return Objects().RecordOffset + 4 * Word;
}

// The image with region 12 starting a block later: a gap inside regions 10-13.
BYTES GapBeforeRegion12() {
  std::vector<uint8_t> Words;
  for (uint32_t Word : {0xFFF20000u, 0x00040000u, 242u}) {
    Expected::AppendU32(Words, Word);
  }
  return Patched(RecordWordOffset(Expected::REGIONS_WORD + 12 * 4), Words);
}

const OBJDUMP_SECTION *RelocSection() {
  const OBJDUMP_SECTION *Reloc = ImageByObjdump().Section(".reloc");
  if (Reloc == nullptr) {
    throw std::runtime_error("no .reloc section");
  }
  return Reloc;
}

// The image with the fixup for Va turned into padding.
BYTES WithoutFixupAt(uint64_t Va) {
  BYTES Image = ImageFileBytes();
  const auto Entry =
      PeLayout::FixupEntryAt(Image, static_cast<uint32_t>(Va - Expected::IMAGE_BASE));
  if (!Entry) {
    throw std::runtime_error("no fixup for the address");
  }
  Image[*Entry + 1] &= 0x0F; // type 0: padding
  return Image;
}

struct DAMAGE {
  std::string Name;
  std::function<BYTES()> Make;
  int ExitCode;
  std::string Says; // a regular expression the stderr line must contain
};

std::vector<DAMAGE> Damages() {
  const BYTES &Image = ImageFileBytes();
  const size_t Pe = PeLayout::PeHeader(Image);
  const PUBLISHED_OBJECTS Found = Objects();
  std::vector<DAMAGE> List = {
      {"empty", [] { return BYTES{}; }, IMAGE_REJECTED, "empty file"},
      {"text", [] { return BYTES{'f', 'l', 'a', 's', 'h', '\n'}; }, IMAGE_REJECTED,
       "not a PE image"},
      {"elf", [] { return ReadFileBytes("/proc/self/exe"); }, IMAGE_REJECTED, "not a PE image"},
      {"cut in MZ header", [] { return Cut(2); }, IMAGE_REJECTED, "truncated"},
      {"cut in PE pointer", [] { return Cut(0x3E); }, IMAGE_REJECTED, "truncated"},
      {"cut in file header", [Pe] { return Cut(Pe + 10); }, IMAGE_REJECTED,
       "truncated|end of the file"},
      {"cut in optional header", [Pe] { return Cut(Pe + 24 + 40); }, IMAGE_REJECTED,
       "truncated|end of the file"},
      {"cut in record", [Found] { return Cut(Found.RecordOffset + 100); }, IMAGE_REJECTED,
       "truncated"},
      {"cut last byte", [&Image] { return Cut(Image.size() - 1); }, IMAGE_REJECTED, "truncated"},
      // Sections that overlap would be searched twice (and the one descriptor found twice).
      {"sections overlap",
       [&Image] {
         BYTES Damaged = Image;
         const size_t First = PeLayout::FirstSection(Damaged);
         PeLayout::Put32(Damaged, First + PeLayout::SECTION_VIRTUAL_SIZE,
                         PeLayout::Get32(Damaged, First + PeLayout::SECTION_RAW_SIZE) + 0x1000);
         return Damaged;
       },
       IMAGE_REJECTED, "overlaps section"},
      {"PE signature damaged",
       [Pe] {
         return Patched(Pe, {'P', 'X'});
       },
       IMAGE_REJECTED, "without PE signature"},
      {"x86-64 machine",
       [Pe] {
         return Patched(Pe + 4, {0x64, 0x86});
       },
       IMAGE_REJECTED, "machine x86-64, not IA32"},
      {"PE32+ magic",
       [Pe] {
         return Patched(Pe + 24, {0x0B, 0x02});
       },
       IMAGE_REJECTED, "PE32\\+|damaged PE headers"},
      {"GUID byte flipped", [Found] { return Flipped(Found.GuidOffset + 5, 0x01); }, IMAGE_REJECTED,
       "no flash-map descriptor found"},
      {"descriptor Flags changed",
       [Found] { return Flipped(*FileOffsetOfVa(ImageByObjdump(), Found.DescriptorVa), 0x01); },
       IMAGE_REJECTED, "no flash-map descriptor found"},
      {"Ppi pointer outside image",
       [Found] {
         return Patched(*FileOffsetOfVa(ImageByObjdump(), Found.DescriptorVa + 8),
                        U32Bytes(0x1000));
       },
       IMAGE_REJECTED, "Ppi pointer 0x00001000 leads outside"},
      {"Guid field not relocated", [Found] { return WithoutFixupAt(Found.DescriptorVa + 4); },
       IMAGE_REJECTED, "Guid field at 0x[0-9A-F]{8} carries no base relocation"},
      {"record pointer not relocated", [Found] { return WithoutFixupAt(Found.PpiVa); },
       IMAGE_REJECTED, "record pointer at 0x[0-9A-F]{8} carries no base relocation"},
      {"relocation block moved outside the image",
       [] { return Patched(RelocSection()->FileOffset, U32Bytes(0x00100000)); }, IMAGE_REJECTED,
       "base relocation at RVA 0x001[0-9A-F]{5} lies outside the image"},
      {"region 5 LastBlock changed",
       [] { return Flipped(RecordWordOffset(Expected::REGIONS_WORD + 5 * 4 + 3), 0x01); },
       CHECKS_FAILED, "breaks region-blocks: region 5"},
      {"FlashBase changed", [] { return Flipped(RecordWordOffset(2) + 3, 0x01); }, CHECKS_FAILED,
       "breaks device-ends-at-4GiB"},
      {"sub-range 1 grown",
       [] { return Flipped(RecordWordOffset(Expected::SUB_RANGES_WORD + 3) + 1, 0x10); },
       CHECKS_FAILED, "breaks sub-ranges-tile-their-region"},
      {"gap before region 12", GapBeforeRegion12, CHECKS_FAILED,
       "breaks region-runs-contiguous: regions 10-13: gap 0xFFF10000-0xFFF1FFFF before region 12"},
  };
  // And a sweep of cut points across the whole file.
  for (size_t Step = 1; Step < 12; ++Step) {
    const size_t Size = Image.size() * Step / 12;
    List.push_back({"cut at " + std::to_string(Size), [Size] { return Cut(Size); }, IMAGE_REJECTED,
                    "truncated|end of the file|not a PE image"});
  }
  return List;
}

void ExpectOneLineFailure(const TOOL_RUN &Run, int ExitCode, const std::string &Says) {
  ASSERT_TRUE(Run.Exited) << "killed by signal " << Run.Signal << "\n" << Run.Stderr;
  EXPECT_EQ(Run.ExitCode, ExitCode) << Run.Stderr;
  EXPECT_EQ(std::count(Run.Stderr.begin(), Run.Stderr.end(), '\n'), 1) << Run.Stderr;
  EXPECT_EQ(Run.Stderr.back(), '\n');
  EXPECT_EQ(Run.Stderr.rfind("tolvern-inspect: ", 0), 0u) << Run.Stderr;
  EXPECT_TRUE(std::regex_search(Run.Stderr, std::regex(Says))) << Run.Stderr << "wanted: " << Says;
}

TEST(InspectorRejectTest, DamagedOrForeignFilesFailWithOneLine) {
  for (const DAMAGE &Damage : Damages()) {
    SCOPED_TRACE(Damage.Name);
    const std::string Path = ScratchPath("damaged.efi");
    WriteFileBytes(Path, Damage.Make());
    for (const char *Form : {"table", "--json"}) {
      SCOPED_TRACE(Form);
      std::vector<std::string> Arguments = {TOLVERN_INSPECT_PATH, Path};
      if (std::string(Form) == "--json") {
        Arguments.push_back(Form);
      }
      ExpectOneLineFailure(RunTool(Arguments), Damage.ExitCode, Damage.Says);
    }
  }
}

TEST(InspectorRejectTest, BrokenRecordIsShownWithItsFailedCheckButNotDrawn) {
  const std::string Path = ScratchPath("broken-record.efi");
  WriteFileBytes(Path, Flipped(RecordWordOffset(Expected::REGIONS_WORD + 5 * 4 + 3), 0x01));
  const std::string SvgPath = ScratchPath("broken-record.svg");
  std::filesystem::remove(SvgPath);
  const TOOL_RUN Run = RunTool({TOLVERN_INSPECT_PATH, Path, "--svg", SvgPath});
  ExpectOneLineFailure(Run, CHECKS_FAILED, "region-blocks.*no SVG drawn");
  EXPECT_NE(Run.Stdout.find("FAILED region-blocks: region 5: blocks 137-139 published, 137-138 "
                            "by address"),
            std::string::npos)
      << Run.Stdout;
  EXPECT_NE(Run.Stdout.find("Checks: 8 passed, 1 failed"), std::string::npos) << Run.Stdout;
  EXPECT_FALSE(std::filesystem::exists(SvgPath));
}

} // namespace
