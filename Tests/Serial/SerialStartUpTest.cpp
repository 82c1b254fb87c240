// The serial bring-up as part of the module's start-up, before the PPI.
#include "FakePeiServices.h"
#include "SerialTraces.h"
#include "StartUp.h"

#include <gtest/gtest.h>

namespace {

struct START_UP_CASE {
  const char *Name;
  BOARD_SETUP (*Setup)();
  TRACE (*Expected)();
  size_t AccessCount;
};

TRACE FreshStartUpTrace() {
  return Join({FreshPreInitTrace(), UartCheckTrace(0x01, 0x00, 0x0000, 0x00), UartProgramTrace(1)});
}

TRACE ConfiguredStartUpTrace() {
  return Join({ConfiguredPreInitTrace(), UartCheckTrace(0xC1, 0x03, 0x0001, 0x00)});
}

class SerialStartUpTest : public ::testing::TestWithParam<START_UP_CASE> {};

TEST_P(SerialStartUpTest, BringsTheUartUpBeforeTheOneInstall) {
  const START_UP_CASE &Case = GetParam();
  SIMULATED_BOARD Board(Case.Setup());
  HOST_PORT_SPACE_SCOPE Scope(Board);
  FAKE_PEI_SERVICES Services;
  size_t AccessesAtInstall = 0;
  Services.OnInstall = [&] { AccessesAtInstall = Board.Trace().size(); };

  EXPECT_EQ(PeimEntry(nullptr, Services.Pointer()), EFI_SUCCESS);

  ASSERT_EQ(Services.Calls.size(), 1u);
  EXPECT_EQ(AccessesAtInstall, Board.Trace().size()) << "port accesses after InstallPpi";
  EXPECT_EQ(Board.Trace().size(), Case.AccessCount);
  EXPECT_TRUE(TraceIs(Board.Trace(), Case.Expected()));
  EXPECT_EQ(Board.UartLcr(), 0x03);
  EXPECT_EQ(Board.UartDivisor(), 1);
}

INSTANTIATE_TEST_SUITE_P(Boards, SerialStartUpTest,
                         ::testing::Values(START_UP_CASE{"Fresh", FreshSetup, FreshStartUpTrace,
                                                         61},
                                           START_UP_CASE{"AlreadyConfigured", ConfiguredSetup,
                                                         ConfiguredStartUpTrace, 35}),
                         [](const auto &Info) { return std::string(Info.param.Name); });

} // namespace
