// Start-up order: constructors first, then exactly one InstallPpi whose status
// is the module's result.
#include "FakePeiServices.h"
#include "StartUp.h"

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
EFI_STATUS FailingConstructor() {
  Events.push_back("failing");
  return EFI_DEVICE_ERROR;
}
EFI_STATUS WarningConstructor() {
  Events.push_back("warning");
  return 4; // a warning is not an error
}
EFI_STATUS LastConstructor() {
  Events.push_back("last");
  return EFI_SUCCESS;
}

class StartUpTest : public ::testing::Test {
protected:
  void SetUp() override {
    Events.clear();
    Services.OnInstall = [] { Events.push_back("install"); };
  }
  FAKE_PEI_SERVICES Services;
};

TEST_F(StartUpTest, InstallsOnceAfterEveryConstructorWithTheReceivedPointer) {
  const LIBRARY_CONSTRUCTOR List[] = {FirstConstructor, FailingConstructor, WarningConstructor,
                                      LastConstructor};
  EXPECT_EQ(StartModule(List, 4, Services.Pointer()), EFI_SUCCESS);
  EXPECT_EQ(Events, (std::vector<std::string>{"first", "failing", "warning", "last", "install"}));
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
  ASSERT_EQ(Services.Calls.size(), 1u);
  EXPECT_EQ(Services.Calls[0].PeiServices, Services.Pointer());
  EXPECT_EQ(Services.Calls[0].PpiList, &FlashMapPpiDescriptor);
  ASSERT_EQ(ConstructorCount, 1u);
}

TEST(ErrorTest, BitThirtyOneMarksAnError) {
  EXPECT_FALSE(EFI_ERROR(EFI_SUCCESS));
  EXPECT_FALSE(EFI_ERROR(4u));
  EXPECT_FALSE(EFI_ERROR(0x7FFFFFFFu));
  EXPECT_TRUE(EFI_ERROR(0x80000000u));
  EXPECT_TRUE(EFI_ERROR(0xFFFFFFFFu));
}

} // namespace
