#pragma once
// The chart's content as plain data: the named series in drawing order, with their points,
// colours and label boxes, and the two axis titles. The widget paints exactly this.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace otdr {

struct Rgb {
    std::uint8_t r = 0, g = 0, b = 0;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};

namespace colours {
constexpr Rgb kBlue{0, 0, 255};
constexpr Rgb kGreen{0, 128, 0};
constexpr Rgb kRed{255, 0, 0};
constexpr Rgb kPurple{128, 0, 128};
constexpr Rgb kBlack{0, 0, 0};
constexpr Rgb kWhite{255, 255, 255};
constexpr Rgb kYellow{255, 255, 0};
}  // namespace colours

enum class SeriesKind { Line, Points, Rectangle };
enum class PointSymbol { None, DiagonalCross, Star, DownTriangle };

// Series in drawing order.
enum class SeriesId : int {
    Wave,     // slot 0
    Wave1,    // slot 1
    CurOtdr,  // cursor line
    DisOtdr,  // cursor label box
    Mark1,    // marker a
    Mark4,    // marker b
    Mark2,    // marker A
    Mark3,    // marker B
    CurO2,    // second cursor line
    Event,    // event marks
    DisO2,    // second cursor label box
};
constexpr int kSeriesCount = 11;

struct ChartPoint {
    float x = 0;
    float y = 0;
    Rgb colour;
};

struct ChartSeries {
    std::string name;
    SeriesKind kind = SeriesKind::Line;
    PointSymbol symbol = PointSymbol::None;
    Rgb colour;  // symbol colour / rectangle fill
    std::vector<ChartPoint> points;
    // Rectangle series: the box corners in chart units and its text.
    float x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    std::string text;

    void clear() { points.clear(); }
    void add(float x, float y, Rgb c) { points.push_back({x, y, c}); }
    void setRect(float ax0, float ay0, float ax1, float ay1) {
        x0 = ax0;
        y0 = ay0;
        x1 = ax1;
        y1 = ay1;
    }
};

class ChartScene {
  public:
    ChartScene();

    ChartSeries& series(SeriesId id) { return series_[static_cast<std::size_t>(id)]; }
    const ChartSeries& series(SeriesId id) const { return series_[static_cast<std::size_t>(id)]; }
    const ChartSeries* find(std::string_view name) const;
    const std::array<ChartSeries, kSeriesCount>& all() const { return series_; }

    std::string leftTitle = "5dB/";
    std::string bottomTitle = "5 km/";

    // Fixed axes.
    static constexpr float kXMin = 0, kXMax = 512, kYMin = 0, kYMax = 600;

  private:
    std::array<ChartSeries, kSeriesCount> series_;
};

}  // namespace otdr
