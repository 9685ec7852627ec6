#include "widgets/ilevelchart.h"

#include <algorithm>
#include <cmath>

namespace {

// Segments gathered for one PolyPolyline: a call per segment would cost far
// more than the drawing itself.
class TSegments {
public:
    void Add(int32_t x1, int32_t y1, int32_t x2, int32_t y2)
    {
        points_.push_back({x1, y1});
        points_.push_back({x2, y2});
        counts_.push_back(2);
    }
    // With the canvas's pen; as with any polyline, each end point is left out.
    void Draw(TCanvas* Canvas)
    {
        if (counts_.empty()) return;
        const HDC dc = Canvas->Handle();
        TSelectObject pen(dc, Canvas->Pen()->Handle());
        ::PolyPolyline(dc, points_.data(), counts_.data(), static_cast<DWORD>(counts_.size()));
    }

private:
    std::vector<POINT> points_;
    std::vector<DWORD> counts_;
};

} // namespace

const TClassInfo& TiLevelChart::StaticClass()
{
    using T = TiLevelChart;
    static const TClassInfo& info = []() -> const TClassInfo& {
        auto b = PublishClass<T>();
        iPublishBackGroundColor(b);
        iPublishBorderStyle(b);
        b.Int("MinLevel", &T::GetMinLevel, &T::SetMinLevel, 30)
            .Int("MaxLevel", &T::GetMaxLevel, &T::SetMaxLevel, 130)
            .Color("PlotColor", &T::GetPlotColor, &T::SetPlotColor, clBlack)
            .Color("TraceColor", &T::GetTraceColor, &T::SetTraceColor, clLime)
            .Color("ThresholdColor", &T::GetThresholdColor, &T::SetThresholdColor, clRed)
            .Color("AlarmColor", &T::GetAlarmColor, &T::SetAlarmColor, 0x00005A)
            .Color("GridColor", &T::GetGridColor, &T::SetGridColor, 0x404040)
            .String("LevelCaption", &T::GetLevelCaption, &T::SetLevelCaption, "dB");
        return b;
    }();
    return info;
}

TiLevelChart::TiLevelChart(TComponent* AOwner) : TiCustomComponent(AOwner)
{
    SetBounds(Left(), Top(), 400, 200);
}

TRect TiLevelChart::PlotRect() const
{
    const int32_t m = GetBorderMargin();
    const int32_t right = std::max(kMarginLeft + m, Width() - kMarginRight - m);
    const int32_t bottom = std::max(kMarginTop + m, Height() - kMarginBottom - m);
    return TRect(kMarginLeft + m, kMarginTop + m, right, bottom);
}

void TiLevelChart::SetData(std::vector<iwm::ChartColumn> Columns, std::vector<iwm::ChartTick> Ticks)
{
    if (Columns == columns_ && Ticks == ticks_) return;
    columns_ = std::move(Columns);
    ticks_ = std::move(Ticks);
    InvalidateChange();
}

int32_t TiLevelChart::LevelY(const TRect& plot, double level) const
{
    return iwm::ChartLevelY({plot.Left, plot.Top, plot.Right, plot.Bottom}, level, minLevel_, maxLevel_);
}

void TiLevelChart::iPaintTo(TCanvas* Canvas)
{
    DrawBackGround(Canvas, GetBackGroundColor());
    const TRect plot = PlotRect();
    if (plot.IsEmpty()) return;
    Canvas->Brush()->SetStyle(bsSolid);
    Canvas->Brush()->SetColor(plotColor_);
    Canvas->FillRect(plot);
    Canvas->SetFont(Font());
    DrawAlarms(Canvas, plot);
    DrawLevelScale(Canvas, plot);
    DrawTimeScale(Canvas, plot);
    DrawThreshold(Canvas, plot);
    DrawTrace(Canvas, plot);
}

void TiLevelChart::DrawAlarms(TCanvas* Canvas, const TRect& plot)
{
    const size_t n = std::min(columns_.size(), static_cast<size_t>(plot.Width()));
    Canvas->Brush()->SetStyle(bsSolid);
    Canvas->Brush()->SetColor(alarmColor_);
    // One rectangle per run of alarm columns rather than one per column.
    for (size_t i = 0; i < n;) {
        if (!columns_[i].alarm) {
            ++i;
            continue;
        }
        size_t end = i;
        while (end < n && columns_[end].alarm)
            ++end;
        Canvas->FillRect(TRect(plot.Left + static_cast<int32_t>(i), plot.Top, plot.Left + static_cast<int32_t>(end),
                               plot.Bottom));
        i = end;
    }
}

void TiLevelChart::DrawLevelScale(TCanvas* Canvas, const TRect& plot)
{
    const int32_t textHeight = Canvas->TextHeight("0");
    const int32_t step = iwm::ChartLevelStep(plot.Height(), minLevel_, maxLevel_, textHeight + 2);
    Canvas->Brush()->SetStyle(bsClear);
    Canvas->TextOut(2, std::max(0, plot.Top - textHeight - textHeight / 2 - 1), levelCaption_);
    if (step <= 0) return;
    Canvas->Pen()->SetStyle(psSolid);
    Canvas->Pen()->SetColor(gridColor_);
    TSegments grid;
    const int32_t first = static_cast<int32_t>(std::ceil(static_cast<double>(minLevel_) / step)) * step;
    for (int32_t level = first; level <= maxLevel_; level += step) {
        const int32_t y = LevelY(plot, level);
        grid.Add(plot.Left, y, plot.Right, y);
        const std::string text = std::to_string(level);
        Canvas->TextOut(plot.Left - 4 - Canvas->TextWidth(text), y - textHeight / 2, text);
    }
    grid.Draw(Canvas);
}

void TiLevelChart::DrawTimeScale(TCanvas* Canvas, const TRect& plot)
{
    TSegments grid, marks;
    Canvas->Brush()->SetStyle(bsClear);
    for (const iwm::ChartTick& tick : ticks_) {
        if (tick.column < 0 || tick.column >= plot.Width()) continue;
        const int32_t x = plot.Left + tick.column;
        grid.Add(x, plot.Top, x, plot.Bottom);
        marks.Add(x, plot.Bottom, x, plot.Bottom + 4);
        // Centred under its mark, but never cut off at the edges.
        const int32_t w = Canvas->TextWidth(tick.text);
        const int32_t left = std::clamp(x - w / 2, 0, std::max(0, Width() - w));
        Canvas->TextOut(left, plot.Bottom + 5, tick.text);
    }
    Canvas->Pen()->SetStyle(psSolid);
    Canvas->Pen()->SetColor(gridColor_);
    grid.Draw(Canvas);
    Canvas->Pen()->SetColor(Font()->GetColor());
    marks.Draw(Canvas);
}

void TiLevelChart::DrawThreshold(TCanvas* Canvas, const TRect& plot)
{
    const size_t n = std::min(columns_.size(), static_cast<size_t>(plot.Width()));
    Canvas->Pen()->SetStyle(psSolid);
    Canvas->Pen()->SetColor(thresholdColor_);
    TSegments lines;
    // A run of columns with one threshold is one line; a change steps.
    for (size_t i = 0; i < n;) {
        if (!columns_[i].hasThreshold) {
            ++i;
            continue;
        }
        size_t end = i;
        while (end < n && columns_[end].hasThreshold && columns_[end].threshold == columns_[i].threshold)
            ++end;
        const int32_t y = LevelY(plot, columns_[i].threshold);
        lines.Add(plot.Left + static_cast<int32_t>(i), y, plot.Left + static_cast<int32_t>(end), y);
        i = end;
    }
    lines.Draw(Canvas);
}

void TiLevelChart::DrawTrace(TCanvas* Canvas, const TRect& plot)
{
    const size_t n = std::min(columns_.size(), static_cast<size_t>(plot.Width()));
    Canvas->Pen()->SetStyle(psSolid);
    Canvas->Pen()->SetColor(traceColor_);
    TSegments lines;
    bool previous = false;
    int32_t previousTop = 0, previousBottom = 0;
    for (size_t i = 0; i < n; ++i) {
        const iwm::ChartColumn& c = columns_[i];
        if (!c.hasLevels) {
            previous = false;
            continue;
        }
        int32_t top = LevelY(plot, c.maxLevel), bottom = LevelY(plot, c.minLevel);
        const int32_t ownTop = top, ownBottom = bottom;
        // Reach the neighbour's range, so that a jump is a line, not dots.
        if (previous) {
            if (top > previousBottom) top = previousBottom;
            if (bottom < previousTop) bottom = previousTop;
        }
        const int32_t x = plot.Left + static_cast<int32_t>(i);
        lines.Add(x, top, x, bottom + 1);
        previous = true;
        previousTop = ownTop;
        previousBottom = ownBottom;
    }
    lines.Draw(Canvas);
}
