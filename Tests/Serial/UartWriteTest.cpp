// Sending bytes: FIFO-sized bursts, each after an IIR check and a drain wait.
#include "SerialTraces.h"

#include <Library/SerialPortLib.h>

#include <gtest/gtest.h>

#include <numeric>

namespace {

std::vector<UINT8> Bytes(size_t Count) {
  std::vector<UINT8> Data(Count);
  std::iota(Data.begin(), Data.end(), UINT8{'A'});
  return Data;
}

BOARD_SETUP FifosOn(UINT32 BusyReads = 0) {
  BOARD_SETUP Setup;
  Setup.UartFifosEnabled = TRUE;
  Setup.UartBusyReads = BusyReads;
  return Setup;
}

// The trace of one burst: the IIR check, BusyReads busy LSR reads, the LSR read
// that shows the transmitter empty, then the bytes.
TRACE BurstTrace(const UINT8 *Data, size_t Count, UINT32 BusyReads) {
  TRACE Trace{In8(IIR, 0xC1)};
  Trace.insert(Trace.end(), BusyReads, In8(LSR, 0x00));
  Trace.push_back(In8(LSR, 0x60));
  for (size_t Index = 0; Index < Count; ++Index) {
    Trace.push_back(Out8(THR, Data[Index]));
  }
  return Trace;
}

struct BURST_CASE {
  size_t Count;
  std::vector<size_t> Bursts;
};

class UartWriteBurstTest : public ::testing::TestWithParam<BURST_CASE> {};

TEST_P(UartWriteBurstTest, SendsInBurstsOfAtMostSixteen) {
  const BURST_CASE &Case = GetParam();
  std::vector<UINT8> Data = Bytes(Case.Count);
  SIMULATED_BOARD Board(FifosOn());
  HOST_PORT_SPACE_SCOPE Scope(Board);
  EXPECT_EQ(UartWrite(Data.data(), Data.size()), Case.Count);
  TRACE Expected;
  size_t Sent = 0;
  for (size_t Burst : Case.Bursts) {
    Expected = Join({Expected, BurstTrace(Data.data() + Sent, Burst, 0)});
    Sent += Burst;
  }
  ASSERT_EQ(Sent, Case.Count);
  EXPECT_TRUE(TraceIs(Board.Trace(), Expected));
  EXPECT_EQ(Board.UartTransmitted(), Data);
}

INSTANTIATE_TEST_SUITE_P(Counts, UartWriteBurstTest,
                         ::testing::Values(BURST_CASE{1, {1}}, BURST_CASE{16, {16}},
                                           BURST_CASE{17, {16, 1}}, BURST_CASE{40, {16, 16, 8}}),
                         [](const auto &Info) {
                           return "Bytes" + std::to_string(Info.param.Count);
                         });

TEST(UartWriteTest, BusyTransmitterIsWaitedOutBeforeEachBurst) {
  std::vector<UINT8> Data = Bytes(40);
  SIMULATED_BOARD Board(FifosOn(3));
  HOST_PORT_SPACE_SCOPE Scope(Board);
  EXPECT_EQ(UartWrite(Data.data(), 40), 40u);
  // Nothing was sent before the first burst, so only the later ones wait.
  EXPECT_TRUE(TraceIs(Board.Trace(),
                      Join({BurstTrace(Data.data(), 16, 0), BurstTrace(Data.data() + 16, 16, 3),
                            BurstTrace(Data.data() + 32, 8, 3)})));
  EXPECT_EQ(Board.UartTransmitted(), Data);
}

TEST(UartWriteTest, FifosOffSendsNothingAndReturnsZero) {
  for (BOOLEAN Broken : {FALSE, TRUE}) {
    BOARD_SETUP Setup;
    Setup.UartFifosEnabled = Broken; // a broken UART never shows them on
    Setup.UartFifosBroken = Broken;
    std::vector<UINT8> Data = Bytes(40);
    SIMULATED_BOARD Board(Setup);
    HOST_PORT_SPACE_SCOPE Scope(Board);
    EXPECT_EQ(UartWrite(Data.data(), 40), 0u);
    EXPECT_TRUE(TraceIs(Board.Trace(), {In8(IIR, 0x01)}));
    EXPECT_TRUE(Board.UartTransmitted().empty());
  }
}

// Passes every access to the board, and turns the UART's FIFOs off (an FCR
// write of 0) right after the Count-th byte sent, as another agent might.
class FIFOS_OFF_AFTER : public PORT_SPACE {
public:
  FIFOS_OFF_AFTER(SIMULATED_BOARD &Board, size_t Count) : Board(Board), BytesLeft(Count) {}
  UINT32 In(UINT16 Port, UINT8 Width) override { return Board.In(Port, Width); }
  VOID Out(UINT16 Port, UINT8 Width, UINT32 Value) override {
    Board.Out(Port, Width, Value);
    if (Port == THR && Width == 1 && --BytesLeft == 0) {
      Board.Out(FCR, 1, 0x00);
    }
  }

private:
  SIMULATED_BOARD &Board;
  size_t BytesLeft;
};

TEST(UartWriteTest, FifosSwitchedOffBetweenBurstsStopTheWriteWithZero) {
  std::vector<UINT8> Data = Bytes(40);
  SIMULATED_BOARD Board(FifosOn());
  FIFOS_OFF_AFTER Agent(Board, 16);
  HOST_PORT_SPACE_SCOPE Scope(Agent);
  EXPECT_EQ(UartWrite(Data.data(), 40), 0u) << "the first burst went out all the same";
  EXPECT_TRUE(TraceIs(Board.Trace(),
                      Join({BurstTrace(Data.data(), 16, 0), {Out8(FCR, 0x00), In8(IIR, 0x01)}})));
  EXPECT_EQ(Board.UartTransmitted(), std::vector<UINT8>(Data.begin(), Data.begin() + 16));
}

TEST(UartWriteTest, FifosThatCannotBeEnabledStayOffAfterUartInit) {
  BOARD_SETUP Setup;
  Setup.UartFifosBroken = TRUE;
  SIMULATED_BOARD Board(Setup);
  HOST_PORT_SPACE_SCOPE Scope(Board);
  ASSERT_EQ(UartInit(), EFI_SUCCESS);
  ASSERT_EQ(Board.UartFcr(), 0x07);
  const UINT8 Text[] = "hello";
  EXPECT_EQ(UartWrite(Text, 5), 0u);
  EXPECT_TRUE(Board.UartTransmitted().empty());
}

TEST(UartWriteTest, CountZeroWaitsForTheTransmitterToEmpty) {
  SIMULATED_BOARD Board(FifosOn(2));
  HOST_PORT_SPACE_SCOPE Scope(Board);
  const UINT8 Byte = '!';
  ASSERT_EQ(UartWrite(&Byte, 1), 1u);
  Board.ClearTrace();
  EXPECT_EQ(UartWrite(&Byte, 0), 0u);
  EXPECT_TRUE(TraceIs(Board.Trace(), {In8(LSR, 0x00), In8(LSR, 0x00), In8(LSR, 0x60)}));
  EXPECT_EQ(Board.UartTransmitted(), std::vector<UINT8>{'!'});
}

TEST(UartWriteTest, NullBufferTouchesNoPort) {
  SIMULATED_BOARD Board(FifosOn());
  HOST_PORT_SPACE_SCOPE Scope(Board);
  EXPECT_EQ(UartWrite(nullptr, 5), 0u);
  EXPECT_EQ(UartWrite(nullptr, 0), 0u);
  EXPECT_TRUE(Board.Trace().empty());
}

} // namespace
