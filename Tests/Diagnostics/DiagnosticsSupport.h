// A simulated board whose UART takes the diagnostics' text, and what the
// UART had sent at each breakpoint.
#pragma once

#include "SimulatedBoard.h"

#include <Base.h>
#include <HostPortSpace.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

// The text one assertion report sends.
std::string ReportText(const std::string &FileName, UINT32 Line, const std::string &Expression);

class DiagnosticsTest : public ::testing::Test {
protected:
  DiagnosticsTest();
  ~DiagnosticsTest() override;

  // Everything the UART has sent so far.
  std::string Transmitted() const;
  // Sizes of the runs of bytes sent between two UART status checks.
  std::vector<UINTN> Bursts() const;

  SIMULATED_BOARD Board;
  HOST_PORT_SPACE_SCOPE Scope{Board};
  // What the UART had sent when each breakpoint was raised, in order.
  std::vector<std::string> SentAtBreakpoint;

private:
  static VOID OnBreakpoint(VOID *Context);
};
