// A damaged record may have regions that overlap or leave the device; they are
// still listed, marked, so the table shows what is wrong instead of hiding it.
#include "MapLayout.h"

#include <algorithm>
#include <numeric>

namespace TolvernInspect {

using namespace HostTools;

namespace {

void AddGaps(std::vector<MAP_ROW> &Rows, const FLASH_MAP_RECORD &Record, uint64_t From,
             uint64_t To) {
  const uint64_t AreaStart = Record.FirmwareAreaBase;
  if (From < To && From < AreaStart) {
    MAP_ROW Row;
    Row.Kind = MAP_ROW_KIND::BelowFirmwareArea;
    Row.Start = From;
    Row.End = std::min(To, AreaStart);
    Rows.push_back(Row);
    From = Row.End;
  }
  if (From < To) {
    MAP_ROW Row;
    Row.Kind = MAP_ROW_KIND::Gap;
    Row.Start = From;
    Row.End = To;
    Rows.push_back(Row);
  }
}

} // namespace

std::vector<MAP_ROW> LayOutFlashMap(const FLASH_MAP_RECORD &Record) {
  std::array<size_t, FLASH_MAP_REGION_COUNT> Order;
  std::iota(Order.begin(), Order.end(), 0);
  std::stable_sort(Order.begin(), Order.end(), [&Record](size_t A, size_t B) {
    return Record.Regions[A].Base < Record.Regions[B].Base;
  });

  const uint64_t DeviceStart = Record.FlashBase;
  const uint64_t DeviceEnd = DeviceStart + Record.FlashSize;
  std::vector<MAP_ROW> Rows;
  uint64_t Cursor = DeviceStart;
  for (size_t Index : Order) {
    const FLASH_REGION &Region = Record.Regions[Index];
    MAP_ROW Row;
    Row.Kind = MAP_ROW_KIND::Region;
    Row.Index = Index;
    Row.Start = Region.Base;
    Row.End = Row.Start + Region.Size;
    Row.Overlaps = Row.Start < Cursor;
    Row.OutsideDevice = Row.Start < DeviceStart || Row.End > DeviceEnd;
    AddGaps(Rows, Record, Cursor, std::min(Row.Start, DeviceEnd));
    Rows.push_back(Row);
    Cursor = std::max(Cursor, Row.End);
  }
  AddGaps(Rows, Record, Cursor, DeviceEnd);
  return Rows;
}

long long BlockOf(const FLASH_MAP_RECORD &Record, uint64_t Address) {
  if (Record.BlockSize == 0 || Address < Record.FlashBase) {
    return -1;
  }
  return static_cast<long long>((Address - Record.FlashBase) / Record.BlockSize);
}

} // namespace TolvernInspect
