#include "view/chart_scene.h"

namespace otdr {

ChartScene::ChartScene() {
    struct Def {
        SeriesId id;
        const char* name;
        SeriesKind kind;
        PointSymbol symbol;
        Rgb colour;
        std::size_t reserve;
    };
    const Def defs[] = {
        {SeriesId::Wave, "wave", SeriesKind::Line, PointSymbol::None, colours::kBlue, 512},
        {SeriesId::Wave1, "wave1", SeriesKind::Line, PointSymbol::None, colours::kGreen, 512},
        {SeriesId::CurOtdr, "Cur_OTDR", SeriesKind::Line, PointSymbol::None, colours::kRed, 560},
        {SeriesId::DisOtdr, "Dis_Otdr", SeriesKind::Rectangle, PointSymbol::None, colours::kWhite,
         0},
        {SeriesId::Mark1, "mark1", SeriesKind::Points, PointSymbol::DiagonalCross, colours::kBlack,
         4},
        {SeriesId::Mark4, "mark4", SeriesKind::Points, PointSymbol::DiagonalCross, colours::kBlack,
         4},
        {SeriesId::Mark2, "mark2", SeriesKind::Points, PointSymbol::Star, colours::kBlack, 4},
        {SeriesId::Mark3, "mark3", SeriesKind::Points, PointSymbol::Star, colours::kBlack, 4},
        {SeriesId::CurO2, "Cur_O2", SeriesKind::Line, PointSymbol::None, colours::kPurple, 520},
        {SeriesId::Event, "event", SeriesKind::Points, PointSymbol::DownTriangle, colours::kYellow,
         200},
        {SeriesId::DisO2, "Dis_O2", SeriesKind::Rectangle, PointSymbol::None, colours::kWhite, 0},
    };
    for (const Def& d : defs) {
        ChartSeries& s = series(d.id);
        s.name = d.name;
        s.kind = d.kind;
        s.symbol = d.symbol;
        s.colour = d.colour;
        s.points.reserve(d.reserve);
    }
}

const ChartSeries* ChartScene::find(std::string_view name) const {
    for (const ChartSeries& s : series_)
        if (s.name == name) return &s;
    return nullptr;
}

}  // namespace otdr
