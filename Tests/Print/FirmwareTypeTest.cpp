// '%g', '%t' and '%r': GUIDs, time records and status codes.
#include "ExpectedFlashMap.h"
#include "PrintSupport.h"

#include <Uefi/UefiBaseType.h>

#include <cstring>

namespace {

const UINT8 *const FlashMapGuidBytes = Expected::GUID_BYTES.data();
constexpr const char *FlashMapGuidText = "E286BDA9-E33A-47B3-AA89-3F17CEDE5538";

TEST(Guid, EightFourFourFourTwelveUpperCase) {
  EFI_GUID Guid;
  std::memcpy(&Guid, FlashMapGuidBytes, sizeof(Guid));
  EXPECT_EQ(Print("%g", &Guid), FlashMapGuidText);
  EXPECT_EQ(Print("%40g|", &Guid), std::string("    ") + FlashMapGuidText + "|");
  EXPECT_EQ(Print("%-38g|", &Guid), std::string(FlashMapGuidText) + "  |");
  EXPECT_EQ(Print("%.8g", &Guid), "E286BDA9");
  EXPECT_EQ(Print("%g", nullptr), "<null guid>");
  EXPECT_EQ(Print("%12g|", nullptr), " <null guid>|");

  EFI_GUID Zero{};
  EXPECT_EQ(Print("%g", &Zero), "00000000-0000-0000-0000-000000000000");
}

TEST(Guid, ReadsAGuidAtAnyAlignment) {
  alignas(8) UINT8 Storage[16 + 8];
  for (UINTN Offset = 0; Offset < 8; ++Offset) {
    SCOPED_TRACE(testing::Message() << "offset " << Offset);
    std::memcpy(Storage + Offset, FlashMapGuidBytes, 16);
    EXPECT_EQ(Print("%g", Storage + Offset), FlashMapGuidText);
  }
}

TEST(Guid, TakesOneSlotBetweenItsNeighbours) {
  EFI_GUID Guid;
  std::memcpy(&Guid, FlashMapGuidBytes, sizeof(Guid));
  EXPECT_EQ(Print("%d %g %d", 1, &Guid, 2), std::string("1 ") + FlashMapGuidText + " 2");
}

EFI_TIME MakeTime(UINT16 Year, UINT8 Month, UINT8 Day, UINT8 Hour, UINT8 Minute) {
  EFI_TIME Time{};
  Time.Year = Year;
  Time.Month = Month;
  Time.Day = Day;
  Time.Hour = Hour;
  Time.Minute = Minute;
  Time.Second = 59; // never printed
  return Time;
}

TEST(Time, MonthDayYearTwoSpacesHourMinute) {
  EFI_TIME Time = MakeTime(2024, 3, 7, 9, 5);
  EXPECT_EQ(Print("%t", &Time), "03/07/2024  09:05");
  EXPECT_EQ(Print("%20t|", &Time), "   03/07/2024  09:05|");
  EXPECT_EQ(Print("%.10t", &Time), "03/07/2024");
  EXPECT_EQ(Print("%t", nullptr), "<null time>");

  EFI_TIME Large = MakeTime(65535, 255, 255, 255, 255);
  EXPECT_EQ(Print("%t", &Large), "255/255/65535  255:255");
  EFI_TIME Early = MakeTime(7, 1, 2, 0, 0);
  EXPECT_EQ(Print("%t", &Early), "01/02/0007  00:00");
}

struct STATUS_CASE {
  EFI_STATUS Status;
  const char *Expected;
};

TEST(Status, EveryNamedStatus) {
  constexpr STATUS_CASE Cases[] = {
      {0x00000000, "Success"},
      {0x00000001, "Warning Unknown Glyph"},
      {0x00000002, "Warning Delete Failure"},
      {0x00000003, "Warning Write Failure"},
      {0x00000004, "Warning Buffer Too Small"},
      {0x80000001, "Load Error"},
      {0x80000002, "Invalid Parameter"},
      {0x80000003, "Unsupported"},
      {0x80000004, "Bad Buffer Size"},
      {0x80000005, "Buffer Too Small"},
      {0x80000006, "Not Ready"},
      {0x80000007, "Device Error"},
      {0x80000008, "Write Protected"},
      {0x80000009, "Out of Resources"},
      {0x8000000A, "Volume Corrupt"},
      {0x8000000B, "Volume Full"},
      {0x8000000C, "No Media"},
      {0x8000000D, "Media changed"},
      {0x8000000E, "Not Found"},
      {0x8000000F, "Access Denied"},
      {0x80000010, "No Response"},
      {0x80000011, "No mapping"},
      {0x80000012, "Time out"},
      {0x80000013, "Not started"},
      {0x80000014, "Already started"},
      {0x80000015, "Aborted"},
      {0x80000016, "ICMP Error"},
      {0x80000017, "TFTP Error"},
      {0x80000018, "Protocol Error"},
  };
  for (const STATUS_CASE &Case : Cases) {
    SCOPED_TRACE(testing::Message() << std::hex << Case.Status);
    EXPECT_EQ(Print("%r", Case.Status), Case.Expected);
  }
}

TEST(Status, UnnamedStatusesPrintEightHexDigits) {
  constexpr STATUS_CASE Cases[] = {
      {0x00000005, "00000005"}, {0x80000019, "80000019"}, {0x80000000, "80000000"},
      {0xFFFFFFFF, "FFFFFFFF"}, {0x7FFFFFFF, "7FFFFFFF"}, {0x00000100, "00000100"},
      {0x80000101, "80000101"}, {0x40000001, "40000001"},
  };
  for (const STATUS_CASE &Case : Cases) {
    SCOPED_TRACE(testing::Message() << std::hex << Case.Status);
    EXPECT_EQ(Print("%r", Case.Status), Case.Expected);
  }
}

TEST(Status, WidthAndPrecisionApplyToTheName) {
  EXPECT_EQ(Print("%12r|", EFI_NOT_FOUND), "   Not Found|");
  EXPECT_EQ(Print("%-12r|", EFI_SUCCESS), "Success     |");
  EXPECT_EQ(Print("%.4r", EFI_LOAD_ERROR), "Load");
  EXPECT_EQ(Print("%.4r", 0x80000019u), "8000");
  EXPECT_EQ(Print("%10r|", 5u), "  00000005|");
  EXPECT_EQ(Print("\nASSERT_EFI_ERROR (Status = %r)\n", EFI_DEVICE_ERROR),
            "\r\nASSERT_EFI_ERROR (Status = Device Error)\r\n");
}

} // namespace
