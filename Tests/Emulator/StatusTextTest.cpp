// The report names statuses as the module's serial output does.
#include "StatusText.h"

#include <gtest/gtest.h>

using namespace TolvernEmu;

namespace {

TEST(StatusNameTest, NamesKnownStatusesAndShowsOthersInHex) {
  EXPECT_EQ(StatusText(EFI_SUCCESS), "Success");
  EXPECT_EQ(StatusText(EFI_NOT_FOUND), "Not Found");
  EXPECT_EQ(StatusText(0x80000019), "80000019");
}

} // namespace
