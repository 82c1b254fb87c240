// The emulated foundation on hand-assembled IA32 code: every way an image can
// misbehave ends the run with a clear problem instead of a hang or a crash,
// and the ways it may behave (ports, breakpoints, return) are recorded exactly.
#include "ImageEmulator.h"

#include <SimulatedBoard.h>

#include <gtest/gtest.h>

#include <memory>

using namespace TolvernEmu;

namespace {

constexpr UINT32 BASE = 0x00400000;

class RECORDING_PORTS : public PORT_SPACE {
public:
  UINT32 In(UINT16 Port, UINT8 Width) override {
    Log.push_back({FALSE, Width, Port, 0xA5});
    return 0xA5;
  }
  VOID Out(UINT16 Port, UINT8 Width, UINT32 Value) override {
    Log.push_back({TRUE, Width, Port, Value});
  }
  std::vector<PORT_ACCESS> Log;
};

LOADABLE_IMAGE CodeImage(std::vector<UINT8> Code) {
  LOADABLE_IMAGE Image;
  Image.LinkBase = BASE;
  Image.EntryPoint = 0;
  Image.SectionAlignment = 32;
  Code.resize(0x100, 0xCC);
  Image.Bytes = std::move(Code);
  return Image;
}

RUN_RESULT RunCode(std::vector<UINT8> Code, RECORDING_PORTS &Ports, UINT64 Budget = 10000,
                   EFI_STATUS InstallStatus = 0) {
  std::string Error;
  std::unique_ptr<IMAGE_EMULATOR> Emulator =
      IMAGE_EMULATOR::Create(CodeImage(std::move(Code)), BASE, Ports, Error);
  if (!Emulator) {
    ADD_FAILURE() << Error;
    return {};
  }
  return Emulator->RunPeimEntry(InstallStatus, Budget);
}

// Ports of both widths, two breakpoints, three pushes, then return 42.
const std::vector<UINT8> WELL_BEHAVED = {
    0xB0, 0x6F,                         // mov al, 0x6F
    0xE6, 0x70,                         // out 0x70, al
    0xE4, 0x71,                         // in al, 0x71
    0xBA, 0xF8, 0x0C, 0x00, 0x00,       // mov edx, 0xCF8
    0xB8, 0x80, 0xF8, 0x00, 0x80,       // mov eax, 0x8000F880
    0xEF,                               // out dx, eax
    0xCC,                               // int3             (offset 17)
    0x6A, 0x00, 0x6A, 0x00, 0x6A, 0x00, // push 0 (three times)
    0x83, 0xC4, 0x0C,                   // add esp, 12
    0xCC,                               // int3             (offset 27)
    0xB8, 0x2A, 0x00, 0x00, 0x00,       // mov eax, 42
    0xC3,                               // ret
};
constexpr UINT64 WELL_BEHAVED_INSTRUCTIONS = 14;

TEST(EmulatorTrapsTest, RecordsPortsBreakpointsStackAndResult) {
  RECORDING_PORTS Ports;
  const RUN_RESULT Run = RunCode(WELL_BEHAVED, Ports);
  ASSERT_EQ(Run.End, RUN_END::Returned) << Run.Problem;
  EXPECT_EQ(Run.Status, 42u);
  EXPECT_EQ(Ports.Log,
            (std::vector<PORT_ACCESS>{
                {TRUE, 1, 0x70, 0x6F}, {FALSE, 1, 0x71, 0xA5}, {TRUE, 4, 0xCF8, 0x8000F880}}));
  EXPECT_EQ(Run.Breakpoints, (std::vector<UINT32>{BASE + 17, BASE + 27}));
  EXPECT_EQ(Run.PeakStackBytes, 12u);
  EXPECT_EQ(Run.PeakStackAddress, BASE + 24) << "the add after the third push";
  EXPECT_EQ(Run.Instructions, WELL_BEHAVED_INSTRUCTIONS);
  EXPECT_TRUE(Run.InstallPpiCalls.empty());
}

TEST(EmulatorTrapsTest, TheBudgetCountsEveryInstruction) {
  RECORDING_PORTS Exact;
  EXPECT_EQ(RunCode(WELL_BEHAVED, Exact, WELL_BEHAVED_INSTRUCTIONS).End, RUN_END::Returned);
  RECORDING_PORTS Short;
  const RUN_RESULT Run = RunCode(WELL_BEHAVED, Short, WELL_BEHAVED_INSTRUCTIONS - 1);
  EXPECT_EQ(Run.End, RUN_END::BudgetExhausted);
  EXPECT_EQ(Run.Instructions, WELL_BEHAVED_INSTRUCTIONS - 1);
}

TEST(EmulatorTrapsTest, InstallPpiIsRecordedAndReturnsTheChosenStatus) {
  RECORDING_PORTS Ports;
  const std::vector<UINT8> Code = {
      0x8B, 0x44, 0x24, 0x08,       // mov eax, [esp+8]  (PeiServices)
      0x8B, 0x08,                   // mov ecx, [eax]
      0x68, 0x78, 0x56, 0x34, 0x12, // push 0x12345678 (a descriptor address)
      0x50,                         // push eax
      0xFF, 0x51, 0x18,             // call [ecx+24]     (InstallPpi)
      0x83, 0xC4, 0x08,             // add esp, 8
      0xC3,                         // ret
  };
  const RUN_RESULT Run = RunCode(Code, Ports, 10000, 0x8000000E);
  ASSERT_EQ(Run.End, RUN_END::Returned) << Run.Problem;
  EXPECT_EQ(Run.Status, 0x8000000Eu);
  ASSERT_EQ(Run.InstallPpiCalls.size(), 1u);
  EXPECT_EQ(Run.InstallPpiCalls[0].PeiServices, EMULATOR_PEI_SERVICES);
  EXPECT_EQ(Run.InstallPpiCalls[0].PpiList, 0x12345678u);
  EXPECT_EQ(Run.PeakStackBytes, 12u);
}

struct MISBEHAVIOUR {
  const char *Name;
  std::vector<UINT8> Code;
  RUN_END End;
  const char *Problem;
};

const MISBEHAVIOUR MISBEHAVIOURS[] = {
    {"JumpsToItself", {0xEB, 0xFE}, RUN_END::DeadLoop, "dead loop at EIP 0x00400000"},
    {"CountsForEver", {0x40, 0xEB, 0xFD}, RUN_END::BudgetExhausted, "instruction budget of 10000"},
    {"WritesToFlash",
     {0xC7, 0x05, 0x40, 0x00, 0x40, 0x00, 0x01, 0x00, 0x00, 0x00, 0xC3},
     RUN_END::Fault,
     "write to read-only memory (flash or the services table) 0x00400040 at EIP 0x00400000"},
    {"CallsAnotherService",
     {0x8B, 0x44, 0x24, 0x08, 0x8B, 0x08, 0xFF, 0x51, 0x1C, 0xC3},
     RUN_END::Fault,
     "PEI service #1 called"},
    {"ReadsThroughTheFileHandle",
     {0x8B, 0x44, 0x24, 0x04, 0x8B, 0x00, 0xC3},
     RUN_END::Fault,
     "read of unmapped memory 0x00003000 at EIP 0x00400004"},
    {"JumpsIntoNothing",
     {0xB8, 0x00, 0x00, 0x00, 0x50, 0xFF, 0xE0},
     RUN_END::Fault,
     "jump to unmapped memory 0x50000000"},
    {"RaisesAnotherInterrupt",
     {0xCD, 0x10, 0xC3},
     RUN_END::Fault,
     "interrupt 16 at EIP 0x00400000"},
    {"Uses16BitPorts",
     {0x66, 0xBA, 0x70, 0x00, 0x66, 0xED, 0xC3},
     RUN_END::Fault,
     "16-bit access to port 0x00000070"},
    {"ClobbersEbx", {0x31, 0xDB, 0xC3}, RUN_END::Fault, "EBX changed"},
    {"UnbalancesTheStack", {0x58, 0x59, 0xFF, 0xE0}, RUN_END::Fault, "returned with ESP"},
    // Encodings the CPU emulator library would abort the process on.
    {"FarCallThroughARegister",
     {0x90, 0xFF, 0xD8, 0xC3},
     RUN_END::Fault,
     "invalid instruction at EIP 0x00400001: FF D8, a far call through a register"},
    {"PrefixedFarJumpThroughARegister",
     {0x66, 0x2E, 0xFF, 0xE8},
     RUN_END::Fault,
     "invalid instruction at EIP 0x00400000: FF E8, a far jump through a register"},
    // mov eax, 0x90D8FF90 runs; the jump into its FF D8 then stops.
    {"JumpsIntoAFarCallInsideAnotherInstruction",
     {0xB8, 0x90, 0xFF, 0xD8, 0x90, 0xEB, 0xFB},
     RUN_END::Fault,
     "invalid instruction at EIP 0x00400002"},
};

// Test names, not bytes, in gtest's messages.
VOID PrintTo(const MISBEHAVIOUR &Case, std::ostream *Out) {
  *Out << Case.Name;
}

class MisbehaviourTest : public ::testing::TestWithParam<MISBEHAVIOUR> {};

TEST_P(MisbehaviourTest, EndsTheRunWithAClearProblem) {
  RECORDING_PORTS Ports;
  const RUN_RESULT Run = RunCode(GetParam().Code, Ports);
  EXPECT_EQ(Run.End, GetParam().End);
  EXPECT_NE(Run.Problem.find(GetParam().Problem), std::string::npos) << Run.Problem;
  EXPECT_EQ(Run.Problem.find('\n'), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Code, MisbehaviourTest, ::testing::ValuesIn(MISBEHAVIOURS),
                         [](const ::testing::TestParamInfo<MISBEHAVIOUR> &Info) {
                           return std::string(Info.param.Name);
                         });

TEST(EmulatorPlacementTest, RefusesBasesThatCannotTakeTheImage) {
  RECORDING_PORTS Ports;
  const struct {
    UINT32 Base;
    const char *Problem;
  } Cases[] = {
      {0x00010000, "the emulator's own memory"},
      {0x00000000, "overlaps the null page"},
      {0xFFFFFF20, "runs past 4 GiB"},
      {0x00400010, "not a multiple of the section alignment"},
  };
  for (const auto &Case : Cases) {
    std::string Error;
    EXPECT_EQ(IMAGE_EMULATOR::Create(CodeImage({0xC3}), Case.Base, Ports, Error), nullptr);
    EXPECT_NE(Error.find(Case.Problem), std::string::npos) << Error;
  }
  std::string Error;
  EXPECT_NE(IMAGE_EMULATOR::Create(CodeImage({0xC3}), 0xFFFFFF00, Ports, Error), nullptr)
      << "the last 256 bytes below 4 GiB take a 256-byte image: " << Error;
}

TEST(EmulatorPlacementTest, ReadsOnlyMappedMemory) {
  RECORDING_PORTS Ports;
  std::string Error;
  std::unique_ptr<IMAGE_EMULATOR> Emulator =
      IMAGE_EMULATOR::Create(CodeImage({0xC3}), 0xFFFFFF00, Ports, Error);
  ASSERT_NE(Emulator, nullptr) << Error;
  UINT8 Bytes[4] = {};
  EXPECT_TRUE(Emulator->ReadMemory(0xFFFFFF00, Bytes, 1));
  EXPECT_EQ(Bytes[0], 0xC3);
  EXPECT_TRUE(Emulator->ReadMemory(0xFFFFFFFC, Bytes, 4));
  EXPECT_FALSE(Emulator->ReadMemory(0xFFFFFFFE, Bytes, 4)) << "past 4 GiB";
  EXPECT_FALSE(Emulator->ReadMemory(0x50000000, Bytes, 4));
}

} // namespace
