// Addresses grow upwards, as flash maps are usually drawn: the top of the
// picture is the 4 GiB boundary. The device column is 1024 pixels for the whole
// device, four pixels per 64 KiB block; labels sit in a lane to the right with
// leader lines, spread apart so that one-block regions stay readable.
#include "SvgReport.h"

#include "Formatting.h"
#include "MapLayout.h"

#include <MessageText.h>

#include <algorithm>
#include <cstdio>

namespace TolvernInspect {

using namespace HostTools;

namespace {

constexpr double TOP = 80;
constexpr double DEVICE_HEIGHT = 1024;
constexpr double AXIS_RIGHT = 118;
constexpr double DEVICE_LEFT = 124;
constexpr double DEVICE_WIDTH = 26;
constexpr double COLUMN_LEFT = 156;
constexpr double COLUMN_WIDTH = 140;
constexpr double LANE_LEFT = 330;
constexpr double INSET_LEFT = 720;
constexpr double INSET_WIDTH = 90;
constexpr double INSET_HEIGHT = 360;
constexpr double INSET_LANE_LEFT = 840;
constexpr double LABEL_PITCH = 14;
constexpr double WIDTH = 1120;
constexpr double HEIGHT = TOP + DEVICE_HEIGHT + 50;

constexpr const char *REGION_COLOURS[] = {"#8dd3c7", "#ffffb3", "#bebada", "#fb8072", "#80b1d3",
                                          "#fdb462", "#b3de69", "#fccde5", "#e7969c", "#bc80bd",
                                          "#ccebc5", "#ffed6f", "#a6cee3", "#b2df8a"};
constexpr const char *SUB_RANGE_COLOURS[] = {"#fdd0a2", "#e6550d", "#31a354", "#c6dbef"};

std::string Number(double Value) {
  char Text[32];
  std::snprintf(Text, sizeof Text, "%.2f", Value);
  std::string Shown = Text;
  Shown.erase(Shown.find_last_not_of('0') + 1);
  if (Shown.back() == '.') {
    Shown.pop_back();
  }
  return Shown;
}

// Text from outside (a path) is made printable UTF-8 first, so the document
// always parses.
std::string Escaped(const std::string &Text) {
  std::string Out;
  for (char Character : PrintableText(Text)) {
    switch (Character) {
    case '&':
      Out += "&amp;";
      break;
    case '<':
      Out += "&lt;";
      break;
    case '>':
      Out += "&gt;";
      break;
    case '"':
      Out += "&quot;";
      break;
    default:
      Out += Character;
    }
  }
  return Out;
}

std::string Rect(double X, double Y, double W, double H, const std::string &Style) {
  return "<rect x=\"" + Number(X) + "\" y=\"" + Number(Y) + "\" width=\"" + Number(W) +
         "\" height=\"" + Number(std::max(H, 0.5)) + "\" " + Style + "/>\n";
}

std::string Text(double X, double Y, const std::string &Content, const std::string &Style = "") {
  return "<text x=\"" + Number(X) + "\" y=\"" + Number(Y) + "\"" +
         (Style.empty() ? "" : " " + Style) + ">" + Escaped(Content) + "</text>\n";
}

std::string Polyline(std::initializer_list<double> Points, const std::string &Style) {
  std::string Out = "<polyline points=\"";
  bool IsX = true;
  for (double Value : Points) {
    Out += Number(Value) + (IsX ? "," : " ");
    IsX = !IsX;
  }
  return Out + "\" " + Style + "/>\n";
}

// Maps addresses of [Start, End) onto [Top, Top + Height), high addresses up.
struct SCALE {
  uint64_t Start;
  uint64_t End;
  double Top;
  double Height;
  double Y(uint64_t Address) const {
    return Top + static_cast<double>(End - Address) * Height / static_cast<double>(End - Start);
  }
};

struct LABEL {
  double Wanted; // y of the thing labelled
  double Placed = 0;
  std::string Content;
  std::string Style;
  bool IsSubRangeRegion = false; // the region the inset magnifies
};

// Monospaced 11 px text: a character is about 6.7 px wide.
double TextWidth(const std::string &Content) {
  return 6.7 * static_cast<double>(Content.size());
}

// Keeps labels LABEL_PITCH apart, each run of crowded labels centred on the
// rows it labels, and all of them inside [Lowest, Highest].
void SpreadLabels(std::vector<LABEL> &Labels, double Lowest, double Highest) {
  std::sort(Labels.begin(), Labels.end(),
            [](const LABEL &A, const LABEL &B) { return A.Wanted < B.Wanted; });
  struct CLUSTER {
    size_t First;
    size_t Count;
    double Top;
  };
  std::vector<CLUSTER> Clusters;
  for (size_t Index = 0; Index < Labels.size(); ++Index) {
    Clusters.push_back({Index, 1, Labels[Index].Wanted});
    // Merge with the cluster above while they collide, re-centring the union.
    while (Clusters.size() > 1) {
      CLUSTER &Upper = Clusters[Clusters.size() - 2];
      const CLUSTER &Lower = Clusters.back();
      if (Upper.Top + Upper.Count * LABEL_PITCH <= Lower.Top) {
        break;
      }
      Upper.Count += Lower.Count;
      double Sum = 0;
      for (size_t Member = Upper.First; Member < Upper.First + Upper.Count; ++Member) {
        Sum += Labels[Member].Wanted;
      }
      Upper.Top = Sum / Upper.Count - (Upper.Count - 1) * LABEL_PITCH / 2;
      Clusters.pop_back();
    }
  }
  for (const CLUSTER &Cluster : Clusters) {
    for (size_t Member = 0; Member < Cluster.Count; ++Member) {
      Labels[Cluster.First + Member].Placed = Cluster.Top + Member * LABEL_PITCH;
    }
  }
  double Next = Lowest;
  for (LABEL &Label : Labels) {
    Label.Placed = std::max(Label.Placed, Next);
    Next = Label.Placed + LABEL_PITCH;
  }
  double Limit = Highest;
  for (auto Label = Labels.rbegin(); Label != Labels.rend(); ++Label) {
    Label->Placed = std::min(Label->Placed, Limit);
    Limit = Label->Placed - LABEL_PITCH;
  }
}

std::string DrawLabels(const std::vector<LABEL> &Labels, double From, double LaneLeft) {
  std::string Out;
  for (const LABEL &Label : Labels) {
    Out += Polyline({From, Label.Wanted, From + 10, Label.Wanted, LaneLeft - 6, Label.Placed,
                     LaneLeft - 2, Label.Placed},
                    "class=\"leader\"");
    Out += Text(LaneLeft, Label.Placed + 4, Label.Content, Label.Style);
  }
  return Out;
}

std::string BlocksText(uint64_t First, uint64_t Last) {
  return First == Last ? "block " + std::to_string(First)
                       : "blocks " + std::to_string(First) + "-" + std::to_string(Last);
}

std::string RowLabel(const FLASH_MAP_RECORD &R, const MAP_ROW &Row) {
  const std::string Extent = Hex32(Row.Start) + ", " + KiBText(Row.End - Row.Start) + " KiB";
  switch (Row.Kind) {
  case MAP_ROW_KIND::Region: {
    const FLASH_REGION &Region = R.Regions[Row.Index];
    return "region " + std::to_string(Row.Index) + ": " +
           BlocksText(Region.FirstBlock, Region.LastBlock) + ", " + Extent;
  }
  case MAP_ROW_KIND::BelowFirmwareArea:
    return "unmapped, below the firmware area: blocks " + BlockRangeText(R, Row.Start, Row.End) +
           ", " + Extent;
  case MAP_ROW_KIND::Gap:
    return "gap, in no region: blocks " + BlockRangeText(R, Row.Start, Row.End) + ", " + Extent;
  }
  return "";
}

std::string AddressAxis(const FLASH_MAP_RECORD &R, const SCALE &Main) {
  std::string Out;
  constexpr int TICKS = 16;
  for (int Tick = 0; Tick <= TICKS; ++Tick) {
    const uint64_t Address = Main.Start + (Main.End - Main.Start) * Tick / TICKS;
    const double Y = Main.Y(Address);
    Out += Polyline({AXIS_RIGHT + 1, Y, DEVICE_LEFT, Y}, "class=\"tick\"");
    Out += Text(AXIS_RIGHT - 2, Y + 4, Hex32(Address), "class=\"axis\"");
  }
  const double AreaTop = Main.Y(uint64_t{R.FirmwareAreaBase} + R.FirmwareAreaSize);
  const double AreaBottom = Main.Y(R.FirmwareAreaBase);
  Out += Rect(DEVICE_LEFT, Main.Top, DEVICE_WIDTH, Main.Height,
              "class=\"device\" data-part=\"device\"");
  Out += Rect(DEVICE_LEFT, AreaTop, DEVICE_WIDTH, AreaBottom - AreaTop,
              "class=\"area\" data-part=\"firmware-area\"");
  const double Middle = (AreaTop + AreaBottom) / 2;
  Out += "<text class=\"vertical\" transform=\"translate(" + Number(DEVICE_LEFT + 17) + "," +
         Number(Middle) + ") rotate(-90)\">firmware area, " + KiBText(R.FirmwareAreaSize) +
         " KiB</text>\n";
  return Out;
}

// Draws the column and fills Labels with the rows' labels, spread in the lane.
std::string RegionColumn(const FLASH_MAP_RECORD &R, const SCALE &Main, std::vector<LABEL> &Labels) {
  std::string Out;
  std::string Numbers; // drawn last, over the sub-range lines
  for (const MAP_ROW &Row : LayOutFlashMap(R)) {
    const double Top = Main.Y(Row.End);
    const double Bottom = Main.Y(Row.Start);
    const bool IsRegion = Row.Kind == MAP_ROW_KIND::Region;
    // data-part names what a shape stands for, for readers of the file.
    const std::string Fill =
        IsRegion ? std::string("fill=\"") + REGION_COLOURS[Row.Index % 14] +
                       "\" class=\"region\" data-part=\"region " + std::to_string(Row.Index) + "\""
                 : std::string("class=\"unmapped\" data-part=\"") +
                       (Row.Kind == MAP_ROW_KIND::Gap ? "gap" : "below-firmware-area") + "\"";
    Out += Rect(COLUMN_LEFT, Top, COLUMN_WIDTH, Bottom - Top, Fill);
    if (IsRegion && Bottom - Top >= 12) {
      Numbers += Text(COLUMN_LEFT + COLUMN_WIDTH / 2, (Top + Bottom) / 2 + 4,
                      std::to_string(Row.Index), "class=\"inside\"");
    }
    Labels.push_back({(Top + Bottom) / 2, 0, RowLabel(R, Row),
                      IsRegion ? "class=\"label\"" : "class=\"label gaplabel\"",
                      IsRegion && Row.Index == SubRangeRegion(R)});
  }
  // Sub-range boundaries inside their region; the inset shows them at a readable scale.
  for (size_t Index = 1; Index < FLASH_MAP_SUB_RANGE_COUNT; ++Index) {
    const double Y = Main.Y(R.SubRanges[Index].Base);
    Out += Polyline({COLUMN_LEFT, Y, COLUMN_LEFT + COLUMN_WIDTH, Y}, "class=\"subline\"");
  }
  SpreadLabels(Labels, TOP + 6, TOP + DEVICE_HEIGHT - 2);
  return Out + Numbers;
}

// The inset hangs off its region's label, so that its callout crosses no other label.
std::string SubRangeInset(const FLASH_MAP_RECORD &R, const SCALE &Main, const LABEL &RegionLabel) {
  const size_t RegionIndex = *SubRangeRegion(R);
  const FLASH_REGION &Region = R.Regions[RegionIndex];
  const uint64_t Start = Region.Base;
  const uint64_t End = Start + Region.Size;
  const double Centre = RegionLabel.Placed;
  const double Top = std::clamp(Centre - INSET_HEIGHT / 2, TOP, TOP + DEVICE_HEIGHT - INSET_HEIGHT);
  const SCALE Inset{Start, End, Top, INSET_HEIGHT};
  const double Magnified = Inset.Height / (Main.Y(Start) - Main.Y(End));

  const double CalloutX = LANE_LEFT + TextWidth(RegionLabel.Content) + 6;
  std::string Out;
  Out +=
      Polyline({INSET_LEFT, Inset.Y(End), CalloutX, RegionLabel.Placed, INSET_LEFT, Inset.Y(Start)},
               "class=\"zoom\"");
  Out += Text(INSET_LEFT, Top - 22,
              "region " + std::to_string(RegionIndex) + ", magnified x" + Number(Magnified),
              "class=\"head\"");
  Out += Text(INSET_LEFT, Top - 8,
              "blocks " + std::to_string(Region.FirstBlock) + "-" +
                  std::to_string(Region.LastBlock) + ", four sub-ranges",
              "class=\"axis start\"");
  std::vector<LABEL> Labels;
  for (size_t Index = 0; Index < FLASH_MAP_SUB_RANGE_COUNT; ++Index) {
    const FLASH_SUB_RANGE &Sub = R.SubRanges[Index];
    const double SubTop = Inset.Y(uint64_t{Sub.Base} + Sub.Size);
    const double SubBottom = Inset.Y(Sub.Base);
    Out += Rect(INSET_LEFT, SubTop, INSET_WIDTH, SubBottom - SubTop,
                std::string("fill=\"") + SUB_RANGE_COLOURS[Index] +
                    "\" class=\"region\" data-part=\"sub-range " + std::to_string(Index) + "\"");
    Labels.push_back({(SubTop + SubBottom) / 2, 0,
                      "sub-range " + std::to_string(Index) + ": " + Hex32(Sub.Base) + ", " +
                          KiBText(Sub.Size) + " KiB",
                      "class=\"label\""});
  }
  SpreadLabels(Labels, Top + 4, Top + INSET_HEIGHT - 2);
  return Out + DrawLabels(Labels, INSET_LEFT + INSET_WIDTH, INSET_LANE_LEFT);
}

const char STYLE[] = R"SVG(<style>
text { font-family: DejaVu Sans Mono, monospace; font-size: 11px; fill: #222; }
.title { font-size: 15px; font-weight: bold; }
.head { font-size: 12px; font-weight: bold; }
.axis { text-anchor: end; fill: #555; }
.start { text-anchor: start; }
.inside { text-anchor: middle; font-weight: bold; paint-order: stroke; stroke: #fff; stroke-width: 3px; }
.vertical { text-anchor: middle; font-size: 11px; }
.label { paint-order: stroke; stroke: #fff; stroke-width: 3px; }
.gaplabel { font-style: italic; fill: #666; }
.tick { stroke: #888; stroke-width: 1; }
.leader { fill: none; stroke: #777; stroke-width: 0.7; }
.zoom { fill: none; stroke: #999; stroke-width: 1; stroke-dasharray: 4 3; }
.subline { stroke: #333; stroke-width: 0.5; }
.device { fill: #eee; stroke: #444; stroke-width: 1; }
.area { fill: #cfe3f7; stroke: #2b6ca3; stroke-width: 1; }
.region { stroke: #333; stroke-width: 0.6; }
.unmapped { fill: url(#hatch); stroke: #999; stroke-width: 0.6; }
</style>
<defs><pattern id="hatch" width="8" height="8" patternUnits="userSpaceOnUse" patternTransform="rotate(45)"><rect width="8" height="8" fill="#f4f4f4"/><line x1="0" y1="0" x2="0" y2="8" stroke="#c8c8c8" stroke-width="3"/></pattern></defs>
)SVG";

} // namespace

std::string SvgReport(const INSPECTION &Inspection) {
  const FLASH_MAP_RECORD &R = Inspection.Found.Record;
  const SCALE Main{R.FlashBase, uint64_t{R.FlashBase} + R.FlashSize, TOP, DEVICE_HEIGHT};
  std::string Out = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + Number(WIDTH) +
                    "\" height=\"" + Number(HEIGHT) + "\" viewBox=\"0 0 " + Number(WIDTH) + " " +
                    Number(HEIGHT) + "\">\n";
  Out += STYLE;
  Out += Rect(0, 0, WIDTH, HEIGHT, "fill=\"#fff\"");
  Out += Text(20, 28,
              "Flash device " + Hex32(Main.Start) + "-" + Hex32(Main.End - 1) + ", " +
                  KiBText(R.FlashSize) + " KiB in blocks of " + KiBText(R.BlockSize) + " KiB",
              "class=\"title\"");
  Out += Text(20, 48,
              "published by " + Inspection.ImagePath + ": descriptor at " +
                  Hex32(Inspection.Found.DescriptorAddress) + ", record at " +
                  Hex32(Inspection.Found.RecordAddress) + "; drawn to scale, 4 GiB at the top",
              "class=\"start\"");
  Out += AddressAxis(R, Main);
  std::vector<LABEL> Labels;
  Out += RegionColumn(R, Main, Labels);
  for (const LABEL &Label : Labels) {
    if (Label.IsSubRangeRegion) {
      Out += SubRangeInset(R, Main, Label);
    }
  }
  Out += DrawLabels(Labels, COLUMN_LEFT + COLUMN_WIDTH, LANE_LEFT);
  return Out + "</svg>\n";
}

} // namespace TolvernInspect
