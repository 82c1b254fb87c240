// The boot platform's PEI services: InstallPpi records whole descriptor lists
// or nothing, LocatePpi finds them by GUID and instance.
#include "PeiCore.h"

#include <gtest/gtest.h>

namespace {

constexpr UINT32 PPI = EFI_PEI_PPI_DESCRIPTOR_PPI;
constexpr UINT32 LAST = EFI_PEI_PPI_DESCRIPTOR_PPI | EFI_PEI_PPI_DESCRIPTOR_TERMINATE_LIST;

EFI_GUID GuidA = {0x11111111, 0x2222, 0x3333, {1, 2, 3, 4, 5, 6, 7, 8}};
EFI_GUID GuidB = {0x11111111, 0x2222, 0x3333, {1, 2, 3, 4, 5, 6, 7, 9}};
int PpiOne, PpiTwo;

class PeiCoreTest : public testing::Test {
protected:
  void SetUp() override { PeiCoreInitialize(&Core); }

  EFI_STATUS Install(const EFI_PEI_PPI_DESCRIPTOR *List) {
    const EFI_PEI_SERVICES **Services = PeiCoreServices(&Core);
    return (*Services)->InstallPpi(Services, List);
  }

  EFI_STATUS Locate(const EFI_GUID *Guid, UINTN Instance, EFI_PEI_PPI_DESCRIPTOR **Descriptor,
                    VOID **Ppi) {
    const EFI_PEI_SERVICES **Services = PeiCoreServices(&Core);
    return (*Services)->LocatePpi(Services, Guid, Instance, Descriptor, Ppi);
  }

  PEI_CORE_INSTANCE Core;
};

TEST_F(PeiCoreTest, TableLooksLikeThePeiServicesTable) {
  const EFI_PEI_SERVICES *Table = *PeiCoreServices(&Core);
  EXPECT_EQ(Table->Hdr.Signature, 0x5652455320494550ull); // "PEI SERV"
  EXPECT_EQ(Table->Hdr.HeaderSize, sizeof(EFI_PEI_SERVICES));
  EXPECT_EQ(Table->InstallPpi, &PeiInstallPpi);
  EXPECT_EQ(Table->LocatePpi, &PeiLocatePpi);
  EXPECT_EQ(Table->ReInstallPpi(PeiCoreServices(&Core), nullptr, nullptr), EFI_UNSUPPORTED);
}

TEST_F(PeiCoreTest, RecordsATerminatedSingleDescriptorAndFindsItByGuid) {
  const EFI_PEI_PPI_DESCRIPTOR List[] = {{LAST, &GuidA, &PpiOne}};
  ASSERT_EQ(Install(List), EFI_SUCCESS);
  EXPECT_EQ(Core.PpiCount, 1u);
  EXPECT_EQ(Core.InstallCalls, 1u);

  EFI_PEI_PPI_DESCRIPTOR *Descriptor = nullptr;
  VOID *Ppi = nullptr;
  EXPECT_EQ(Locate(&GuidA, 0, &Descriptor, &Ppi), EFI_SUCCESS);
  EXPECT_EQ(Descriptor, &List[0]);
  EXPECT_EQ(Ppi, &PpiOne);
  EXPECT_EQ(Locate(&GuidB, 0, &Descriptor, &Ppi), EFI_NOT_FOUND);
  EXPECT_EQ(Locate(&GuidA, 1, &Descriptor, &Ppi), EFI_NOT_FOUND);
}

TEST_F(PeiCoreTest, RecordsEveryDescriptorUpToTheTerminatorAndCountsInstances) {
  const EFI_PEI_PPI_DESCRIPTOR List[] = {
      {PPI, &GuidA, &PpiOne},
      {PPI, &GuidB, &PpiTwo},
      {LAST, &GuidA, &PpiTwo},
      {0, nullptr, nullptr}, // past the terminator: never read
  };
  ASSERT_EQ(Install(List), EFI_SUCCESS);
  EXPECT_EQ(Core.PpiCount, 3u);
  VOID *Ppi = nullptr;
  ASSERT_EQ(Locate(&GuidA, 1, nullptr, &Ppi), EFI_SUCCESS);
  EXPECT_EQ(Ppi, &PpiTwo);
  ASSERT_EQ(Locate(&GuidB, 0, nullptr, &Ppi), EFI_SUCCESS);
  EXPECT_EQ(Ppi, &PpiTwo);
}

TEST_F(PeiCoreTest, RefusesWholeListsItCannotTake) {
  const EFI_PEI_PPI_DESCRIPTOR WithoutPpiFlag[] = {
      {PPI, &GuidA, &PpiOne}, {EFI_PEI_PPI_DESCRIPTOR_TERMINATE_LIST, &GuidB, &PpiTwo}};
  EXPECT_EQ(Install(WithoutPpiFlag), EFI_INVALID_PARAMETER);
  const EFI_PEI_PPI_DESCRIPTOR WithoutGuid[] = {{LAST, nullptr, &PpiOne}};
  EXPECT_EQ(Install(WithoutGuid), EFI_INVALID_PARAMETER);
  EXPECT_EQ(Install(nullptr), EFI_INVALID_PARAMETER);
  // A list that never terminates is read no further than the free room.
  EFI_PEI_PPI_DESCRIPTOR Endless[PEI_PPI_DATABASE_CAPACITY];
  for (EFI_PEI_PPI_DESCRIPTOR &Descriptor : Endless) {
    Descriptor = {PPI, &GuidA, &PpiOne};
  }
  EXPECT_EQ(Install(Endless), EFI_OUT_OF_RESOURCES);
  EXPECT_EQ(Core.PpiCount, 0u);
  EXPECT_EQ(Core.InstallCalls, 4u);
  EXPECT_EQ(Locate(&GuidA, 0, nullptr, nullptr), EFI_NOT_FOUND);
}

TEST_F(PeiCoreTest, FullDatabaseRefusesMore) {
  const EFI_PEI_PPI_DESCRIPTOR One[] = {{LAST, &GuidA, &PpiOne}};
  for (UINT32 Index = 0; Index < PEI_PPI_DATABASE_CAPACITY; ++Index) {
    ASSERT_EQ(Install(One), EFI_SUCCESS);
  }
  EXPECT_EQ(Install(One), EFI_OUT_OF_RESOURCES);
  EXPECT_EQ(Core.PpiCount, PEI_PPI_DATABASE_CAPACITY);
  EXPECT_EQ(Locate(&GuidA, PEI_PPI_DATABASE_CAPACITY - 1, nullptr, nullptr), EFI_SUCCESS);
}

TEST_F(PeiCoreTest, LocateWithoutGuidIsInvalid) {
  EXPECT_EQ(Locate(nullptr, 0, nullptr, nullptr), EFI_INVALID_PARAMETER);
}

} // namespace
