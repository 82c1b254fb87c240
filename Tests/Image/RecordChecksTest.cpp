// The invariant checker on the sound record and on records broken one way at
// a time: each break must fail exactly the checks it violates. The consumer
// PEIM's own checker, written apart from it, must refuse the same records.
#include "ExpectedFlashMap.h"
#include "RecordInvariants.h"

#include <FlashMapRecord.h>
#include <RecordChecks.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <set>

using namespace HostTools;

namespace {

using WORDS = std::array<uint32_t, 70>;

constexpr size_t Region(size_t Index, size_t Field) {
  return Expected::REGIONS_WORD + 4 * Index + Field;
}
constexpr size_t SubRange(size_t Index, size_t Field) {
  return Expected::SUB_RANGES_WORD + 2 * Index + Field;
}
constexpr size_t BASE = 0, SIZE = 1, FIRST = 2, LAST = 3;

std::vector<uint8_t> Bytes(const WORDS &Words) {
  std::vector<uint8_t> Bytes;
  for (uint32_t Word : Words) {
    Expected::AppendU32(Bytes, Word);
  }
  return Bytes;
}

std::set<std::string> Failed(const std::vector<CHECK_RESULT> &Results) {
  std::set<std::string> Names;
  for (const CHECK_RESULT &Result : Results) {
    if (!Result.Passed) {
      Names.insert(Result.Name);
    }
  }
  return Names;
}

TEST(RecordChecksTest, SoundRecordPassesEveryCheck) {
  const std::vector<CHECK_RESULT> Results = CheckFlashMapRecord(Bytes(Expected::RECORD_WORDS));
  EXPECT_EQ(Results.size(), 9u);
  EXPECT_TRUE(AllPassed(Results));
  EXPECT_EQ(Failed(Results), std::set<std::string>{});
  const FLASH_MAP_RECORD Record = *DecodeFlashMapRecord(Bytes(Expected::RECORD_WORDS));
  EXPECT_EQ(BrokenInvariant(&Record), nullptr);
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

struct BREAK {
  const char *Name;
  std::function<void(WORDS &)> Apply;
  std::set<std::string> Fails;
};

TEST(RecordChecksTest, EachBreakFailsExactlyItsChecks) {
  const BREAK Breaks[] = {
      {"block size halved",
       [](WORDS &W) { W[0] = 0x8000; },
       {"block-size", "region-blocks", "regions-0-9-cover-blocks-49-142",
        "regions-10-13-cover-blocks-224-255"}},
      {"block size zero",
       [](WORDS &W) { W[0] = 0; },
       {"block-size", "region-blocks", "regions-0-9-cover-blocks-49-142",
        "regions-10-13-cover-blocks-224-255"}},
      {"flash size one block short",
       [](WORDS &W) { W[1] -= 0x10000; },
       {"block-size", "device-ends-at-4GiB", "region-blocks"}},
      {"flash base wraps past 4 GiB",
       [](WORDS &W) { W[2] = 0xFF010000; },
       {"device-ends-at-4GiB", "region-blocks", "regions-0-9-cover-blocks-49-142",
        "regions-10-13-cover-blocks-224-255"}},
      {"firmware area one block larger",
       [](WORDS &W) { W[3] += 0x10000; },
       {"firmware-area-ends-at-4GiB"}},
      {"region 4 LastBlock off by one",
       [](WORDS &W) { W[Region(4, LAST)] = 137; },
       {"region-blocks"}},
      {"region 9 FirstBlock says 142",
       [](WORDS &W) { W[Region(9, FIRST)] = 142; },
       {"region-blocks"}},
      {"regions 8 and 9 in address order",
       [](WORDS &W) {
         for (size_t Field = 0; Field < 4; ++Field) {
           std::swap(W[Region(8, Field)], W[Region(9, Field)]);
         }
       },
       {"region-order"}},
      {"region 6 grown over region 7",
       [](WORDS &W) {
         W[Region(6, SIZE)] = 0x20000;
         W[Region(6, LAST)] = 140;
       },
       {"regions-0-9-cover-blocks-49-142"}},
      {"region 12 moved up, leaving a gap",
       [](WORDS &W) {
         W[Region(12, BASE)] += 0x10000;
         W[Region(12, SIZE)] -= 0x10000;
         W[Region(12, FIRST)] += 1;
       },
       {"regions-10-13-cover-blocks-224-255"}},
      {"region 13 runs past 4 GiB",
       [](WORDS &W) {
         W[Region(13, SIZE)] += 0x10000;
         W[Region(13, LAST)] = 256;
       },
       {"region-blocks", "regions-10-13-cover-blocks-224-255"}},
      {"region 2 half a block",
       [](WORDS &W) { W[Region(2, SIZE)] = 0x8000; },
       {"region-blocks", "regions-0-9-cover-blocks-49-142"}},
      {"sub-range 1 smaller",
       [](WORDS &W) { W[SubRange(1, SIZE)] = 0x1000; },
       {"sub-ranges-divide-region-3"}},
      {"sub-ranges 1 and 2 swapped",
       [](WORDS &W) { std::swap(W[SubRange(1, BASE)], W[SubRange(2, BASE)]); },
       {"sub-ranges-divide-region-3"}},
      {"last sub-range short of region 3's end",
       [](WORDS &W) { W[SubRange(3, SIZE)] -= 0x2000; },
       {"sub-ranges-divide-region-3"}},
      {"trailer changed (no rule on it)", [](WORDS &W) { W[Expected::TRAILER_WORD] = 0; }, {}},
  };
  for (const BREAK &Break : Breaks) {
    WORDS Words = Expected::RECORD_WORDS;
    Break.Apply(Words);
    const std::vector<CHECK_RESULT> Results = CheckFlashMapRecord(Bytes(Words));
    EXPECT_EQ(Failed(Results), Break.Fails) << Break.Name;
    EXPECT_EQ(AllPassed(Results), Break.Fails.empty()) << Break.Name;
    for (const CHECK_RESULT &Result : Results) {
      EXPECT_FALSE(Result.Detail.empty()) << Break.Name << ": " << Result.Name;
    }
    // Where regions 8 and 9 stand is this record's fact, not a rule the consumer keeps.
    std::set<std::string> Rules = Break.Fails;
    Rules.erase("region-order");
    const FLASH_MAP_RECORD Record = *DecodeFlashMapRecord(Bytes(Words));
    EXPECT_EQ(BrokenInvariant(&Record) != nullptr, !Rules.empty()) << Break.Name;
  }
}

} // namespace
