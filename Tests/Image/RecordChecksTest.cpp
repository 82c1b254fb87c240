// The flash-map rules on both sides, written apart: the firmware's constexpr
// rules (which the module and the consumer PEIM share, compiled here for the
// host) and the tools' named checks. Each break must be refused by both for
// the same rule; what breaks no rule must pass both.
#include "ExpectedFlashMap.h"

#include <FlashMapBoard.h>
#include <FlashMapRecord.h>
#include <RecordChecks.h>

#include <gtest/gtest.h>

#include <functional>

using namespace HostTools;

namespace {

using WORDS = std::array<uint32_t, 70>;

constexpr size_t Region(size_t Index, size_t Field) {
  return Expected::REGIONS_WORD + 4 * Index + Field;
}
constexpr size_t SubRange(size_t Index, size_t Field) {
  return Expected::SUB_RANGES_WORD + 2 * Index + Field;
}
constexpr size_t BASE = 0, SIZE = 1, LAST = 3;

// The tools' check for each firmware rule.
constexpr const char *CHECK_OF[] = {nullptr,
                                    CHECK_BLOCK_SIZE,
                                    CHECK_DEVICE,
                                    CHECK_FIRMWARE_AREA,
                                    CHECK_REGION_BLOCKS,
                                    CHECK_REGIONS_IN_DEVICE,
                                    CHECK_REGIONS_DISJOINT,
                                    CHECK_REGION_RUNS,
                                    CHECK_SUB_RANGES};
static_assert(std::size(CHECK_OF) == FLASH_MAP_RULE_COUNT, "a check per rule");

std::vector<uint8_t> Bytes(const WORDS &Words) {
  std::vector<uint8_t> Bytes;
  for (uint32_t Word : Words) {
    Expected::AppendU32(Bytes, Word);
  }
  return Bytes;
}

void SetRegion(WORDS &W, size_t Index, std::array<uint32_t, 4> Fields) {
  std::copy(Fields.begin(), Fields.end(), W.begin() + Region(Index, BASE));
}

struct BREAK {
  const char *Name;
  std::function<void(WORDS &)> Apply;
  FLASH_MAP_RULE Rule;
};

const BREAK BREAKS[] = {
    {"the published record", [](WORDS &) {}, FLASH_MAP_SOUND},
    {"BlockSize not a power of two", [](WORDS &W) { W[0] = 0x18000; }, FLASH_MAP_BLOCK_SIZE},
    {"BlockSize zero", [](WORDS &W) { W[0] = 0; }, FLASH_MAP_BLOCK_SIZE},
    {"FlashBase wraps past 4 GiB", [](WORDS &W) { W[2] = 0xFF010000; }, FLASH_MAP_DEVICE},
    {"device half a block off",
     [](WORDS &W) {
       W[1] = 0x00FF8000;
       W[2] = 0xFF008000;
     },
     FLASH_MAP_DEVICE},
    {"firmware area one block past 4 GiB", [](WORDS &W) { W[3] += 0x10000; },
     FLASH_MAP_FIRMWARE_AREA},
    {"firmware area below the device",
     [](WORDS &W) {
       W[1] = 0x00C00000;
       W[2] = 0xFF400000;
     },
     FLASH_MAP_FIRMWARE_AREA},
    {"region 4 LastBlock off by one", [](WORDS &W) { W[Region(4, LAST)] = 137; },
     FLASH_MAP_REGION_BLOCKS},
    {"region 2 half a block", [](WORDS &W) { W[Region(2, SIZE)] = 0x8000; },
     FLASH_MAP_REGION_BLOCKS},
    {"region 7 empty", [](WORDS &W) { W[Region(7, SIZE)] = 0; }, FLASH_MAP_REGION_BLOCKS},
    {"region 13 one block past 4 GiB",
     [](WORDS &W) {
       SetRegion(W, 13, {0xFFF60000, 0xB0000, 246, 256});
     },
     FLASH_MAP_REGION_OUTSIDE_DEVICE},
    {"region 6 grown over region 7",
     [](WORDS &W) {
       SetRegion(W, 6, {0xFF8B0000, 0x20000, 139, 140});
     },
     FLASH_MAP_REGIONS_OVERLAP},
    {"region 10 laid over region 3",
     [](WORDS &W) {
       SetRegion(W, 10, {0xFF7D0000, 0x40000, 125, 128});
     },
     FLASH_MAP_REGIONS_OVERLAP},
    {"region 12 a block later, leaving a gap",
     [](WORDS &W) {
       SetRegion(W, 12, {0xFFF20000, 0x40000, 242, 245});
     },
     FLASH_MAP_RUN_NOT_CONTIGUOUS},
    {"region 8 a block higher, leaving a gap",
     [](WORDS &W) {
       SetRegion(W, 8, {0xFF8F0000, 0x10000, 143, 143});
     },
     FLASH_MAP_RUN_NOT_CONTIGUOUS},
    {"sub-range 1 smaller", [](WORDS &W) { W[SubRange(1, SIZE)] = 0x1000; }, FLASH_MAP_SUB_RANGES},
    {"sub-ranges 1 and 2 swapped",
     [](WORDS &W) { std::swap(W[SubRange(1, BASE)], W[SubRange(2, BASE)]); }, FLASH_MAP_SUB_RANGES},
    {"last sub-range short of its region's end", [](WORDS &W) { W[SubRange(3, SIZE)] -= 0x2000; },
     FLASH_MAP_SUB_RANGES},
    {"first sub-range in no region", [](WORDS &W) { W[SubRange(0, BASE)] = 0xFF900000; },
     FLASH_MAP_SUB_RANGES},
    // Neither the order of the entries nor which region the sub-ranges divide is a rule.
    {"regions 8 and 9 in address order",
     [](WORDS &W) {
       std::swap_ranges(&W[Region(8, BASE)], &W[Region(9, BASE)], &W[Region(9, BASE)]);
     },
     FLASH_MAP_SOUND},
    {"sub-ranges dividing region 0",
     [](WORDS &W) {
       const std::array<uint32_t, 8> Sub = {0xFF310000, 0x4C000, 0xFF35C000, 0x2000,
                                            0xFF35E000, 0x2000,  0xFF360000, 0x420000};
       std::copy(Sub.begin(), Sub.end(), W.begin() + SubRange(0, BASE));
     },
     FLASH_MAP_SOUND},
    {"trailer changed", [](WORDS &W) { W[Expected::TRAILER_WORD] = 0; }, FLASH_MAP_SOUND},
};

TEST(RecordChecksTest, BothSidesRefuseEachBreakForTheSameRule) {
  bool Shown[FLASH_MAP_RULE_COUNT] = {};
  for (const BREAK &Break : BREAKS) {
    SCOPED_TRACE(Break.Name);
    WORDS Words = Expected::RECORD_WORDS;
    Break.Apply(Words);
    const FLASH_MAP_RECORD Record = *DecodeFlashMapRecord(Bytes(Words));
    EXPECT_EQ(FlashMapBoardRule(&Record), Break.Rule) << FLASH_MAP_RULE_TEXT[Break.Rule];

    const std::vector<CHECK_RESULT> Results = CheckFlashMapRecord(Bytes(Words));
    ASSERT_EQ(Results.size(), 9u);
    const auto Failed = std::find_if(Results.begin(), Results.end(),
                                     [](const CHECK_RESULT &Result) { return !Result.Passed; });
    const std::string FirstFailed = Failed == Results.end() ? "" : Failed->Name;
    EXPECT_EQ(FirstFailed, Break.Rule == FLASH_MAP_SOUND ? "" : CHECK_OF[Break.Rule])
        << (Failed == Results.end() ? "" : Failed->Detail);
    for (const CHECK_RESULT &Result : Results) {
      EXPECT_FALSE(Result.Detail.empty()) << Result.Name;
    }
    Shown[Break.Rule] = true;
  }
  EXPECT_EQ(std::count(std::begin(Shown), std::end(Shown), false), 0) << "a rule no break shows";
}

TEST(RecordChecksTest, RecordOfTheWrongLengthFailsOnlyItsSize) {
  std::vector<uint8_t> Record = Bytes(Expected::RECORD_WORDS);
  for (size_t Length : {size_t{0}, size_t{279}, size_t{281}}) {
    Record.resize(Length, 0);
    const std::vector<CHECK_RESULT> Results = CheckFlashMapRecord(Record);
    ASSERT_EQ(Results.size(), 1u) << Length;
    EXPECT_EQ(Results[0].Name, "record-size");
    EXPECT_FALSE(Results[0].Passed);
  }
}

// Each side states the board's runs once; they must name the same regions.
TEST(RecordChecksTest, BothSidesKnowTheSameRuns) {
  const std::vector<REGION_RUN> Tools = DefaultBoard().RegionRuns;
  ASSERT_EQ(Tools.size(), std::size(FlashMapBoardRuns));
  for (size_t Index = 0; Index < Tools.size(); ++Index) {
    EXPECT_EQ(Tools[Index].FirstIndex, FlashMapBoardRuns[Index].FirstIndex);
    EXPECT_EQ(Tools[Index].LastIndex, FlashMapBoardRuns[Index].LastIndex);
  }
}

} // namespace
