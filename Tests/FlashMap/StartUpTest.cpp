// Start-up order: constructors first, a failing one reported without stopping
// start-up, then exactly one InstallPpi whose status is the module's result.
#include "FailingConstructor.h"
#include "FakePeiServices.h"
#include "StartUp.h"

#include <HostBreakpoint.h>
#include <Ppi/FlashMap.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> Events;

EFI_STATUS FirstConstructor() {
  Events.push_back("first");
  return EFI_SUCCESS;
}
EFI_STATUS WarningConstructor() {
  Events.push_back("warning");
  return 4; // a warning is not an error
}
EFI_STATUS LastConstructor() {
  Events.push_back("last");
  return EFI_SUCCESS;
}

// Every assertion report ends in the breakpoint: it marks the report's place
// among the events.
VOID OnBreakpoint(VOID *) {
  Events.push_back("report");
}

class StartUpTest : public ::testing::Test {
protected:
  void SetUp() override {
    Events.clear();
    Services.OnInstall = [] { Events.push_back("install"); };
    HostSetBreakpointObserver(OnBreakpoint, nullptr);
  }
  void TearDown() override { HostSetBreakpointObserver(nullptr, nullptr); }
  FAKE_PEI_SERVICES Services;
};

TEST_F(StartUpTest, InstallsOnceAfterEveryConstructorWithTheReceivedPointer) {
  const LIBRARY_CONSTRUCTOR List[] = {FirstConstructor, FailingConstructor, WarningConstructor,
                                      FailingConstructor, LastConstructor};
  EXPECT_EQ(StartModule(List, 5, Services.Pointer()), EFI_SUCCESS);
  EXPECT_EQ(Events,
            (std::vector<std::string>{"first", "report", "warning", "report", "last", "install"}));
  ASSERT_EQ(Services.Calls.size(), 1u);
  EXPECT_EQ(Services.Calls[0].PeiServices, Services.Pointer());
  EXPECT_EQ(Services.Calls[0].PpiList, &FlashMapPpiDescriptor);
}

TEST_F(StartUpTest, EmptyConstructorListOnlyInstalls) {
  EXPECT_EQ(StartModule(nullptr, 0, Services.Pointer()), EFI_SUCCESS);
  EXPECT_EQ(Events, (std::vector<std::string>{"install"}));
}

TEST_F(StartUpTest, InstallPpiStatusComesBackUnchanged) {
  const LIBRARY_CONSTRUCTOR List[] = {FirstConstructor};
  for (EFI_STATUS Status : {EFI_SUCCESS, EFI_OUT_OF_RESOURCES, EFI_INVALID_PARAMETER,
                            EFI_STATUS{0x80000019}, EFI_STATUS{3}}) {
    Services.Calls.clear();
    Services.InstallStatus = Status;
    EXPECT_EQ(StartModule(List, 1, Services.Pointer()), Status);
    EXPECT_EQ(Services.Calls.size(), 1u);
  }
}

TEST_F(StartUpTest, PeimEntryRunsTheBuildsListThenInstalls) {
  Services.InstallStatus = EFI_NOT_FOUND;
  EXPECT_EQ(PeimEntry(nullptr, Services.Pointer()), EFI_NOT_FOUND);
  EXPECT_EQ(Events, (std::vector<std::string>{"install"})) << "the build's list reports nothing";
  ASSERT_EQ(Services.Calls.size(), 1u);
  EXPECT_EQ(Services.Calls[0].PeiServices, Services.Pointer());
  EXPECT_EQ(Services.Calls[0].PpiList, &FlashMapPpiDescriptor);
}

// Only a status with bit 31 set counts as a failure; warnings and other
// positive values start up as success does.
EFI_STATUS ReturnedStatus;
EFI_STATUS ReturnTheStatus() {
  return ReturnedStatus;
}

TEST_F(StartUpTest, OnlyStatusesWithBitThirtyOneAreReported) {
  const LIBRARY_CONSTRUCTOR List[] = {ReturnTheStatus};
  struct {
    EFI_STATUS Status;
    bool Reported;
  } const Cases[] = {
      {0, false},        {4, false}, {0x7FFFFFFF, false}, {0x80000000, true}, {EFI_NOT_FOUND, true},
      {0xFFFFFFFF, true}};
  for (const auto &Case : Cases) {
    Events.clear();
    ReturnedStatus = Case.Status;
    StartModule(List, 1, Services.Pointer());
    const std::vector<std::string> Expected = Case.Reported
                                                  ? std::vector<std::string>{"report", "install"}
                                                  : std::vector<std::string>{"install"};
    EXPECT_EQ(Events, Expected) << std::hex << Case.Status;
  }
}

} // namespace
