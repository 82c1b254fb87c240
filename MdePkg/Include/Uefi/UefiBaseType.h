// Status codes and GUIDs as every module of the platform sees them.
#pragma once

#include <Base.h>

// A 32-bit status: 0 is success, bit 31 marks an error, 1 to 4 are warnings.
typedef UINT32 EFI_STATUS;

#define EFI_ERROR_BIT 0x80000000u
#define ENCODE_ERROR(Code) ((EFI_STATUS)(EFI_ERROR_BIT | (Code)))
// Read as a signed 32-bit number, an error status is negative.
#define EFI_ERROR(Status) (((INT32)(EFI_STATUS)(Status)) < 0)

#define EFI_SUCCESS ((EFI_STATUS)0)
#define EFI_LOAD_ERROR ENCODE_ERROR(1)
#define EFI_INVALID_PARAMETER ENCODE_ERROR(2)
#define EFI_UNSUPPORTED ENCODE_ERROR(3)
#define EFI_BUFFER_TOO_SMALL ENCODE_ERROR(5)
#define EFI_DEVICE_ERROR ENCODE_ERROR(7)
#define EFI_OUT_OF_RESOURCES ENCODE_ERROR(9)
#define EFI_NOT_FOUND ENCODE_ERROR(14)

typedef struct {
  UINT32 Data1;
  UINT16 Data2;
  UINT16 Data3;
  UINT8 Data4[8];
} EFI_GUID;

static_assert(sizeof(EFI_GUID) == 16, "EFI_GUID is 16 bytes");

// The whole time record; the time conversion reads only Year, Month, Day, Hour
// and Minute.
typedef struct {
  UINT16 Year;
  UINT8 Month;
  UINT8 Day;
  UINT8 Hour;
  UINT8 Minute;
  UINT8 Second;
  UINT8 Pad1;
  UINT32 Nanosecond;
  INT16 TimeZone;
  UINT8 Daylight;
  UINT8 Pad2;
} EFI_TIME;

static_assert(OFFSET_OF(EFI_TIME, Month) == 2 && OFFSET_OF(EFI_TIME, Minute) == 5,
              "EFI_TIME field offsets");
