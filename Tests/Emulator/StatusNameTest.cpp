// The report names statuses as the module's serial output does.
#include "StatusName.h"

#include <gtest/gtest.h>

namespace {

TEST(StatusNameTest, NamesKnownStatusesAndShowsOthersInHex) {
  EXPECT_EQ(StatusName(EFI_SUCCESS), "Success");
  EXPECT_EQ(StatusName(EFI_NOT_FOUND), "Not Found");
  EXPECT_EQ(StatusName(0x80000019), "80000019");
}

} // namespace
