// The level chart as it shows on the screen: the threshold's row, the alarm
// shading, blank gaps and the trace, read back pixel by pixel. Where each
// should be is worked out from the plot's geometry: 101 rows for 30 to
// 130 dB, one row a dB, so the row of L dB is plot.Top + 130 - L.
#include <gtest/gtest.h>

#include "tests/win/widgets_base_testing.h"
#include "widgets/ilevelchart.h"

namespace {

using namespace wbase_testing;

class LevelChartTest : public WidgetTest {
protected:
    // The colour the screen shows at a point of the chart.
    COLORREF Shown(int x, int y)
    {
        POINT p{x, y};
        ClientToScreen(chart->Handle(), &p);
        HDC screen = GetDC(nullptr);
        const COLORREF c = GetPixel(screen, p.x, p.y);
        ReleaseDC(nullptr, screen);
        return c;
    }
    int RowOf(int level) const { return plot.Top + 130 - level; }

    void SetUpChart()
    {
        chart = Place<TiLevelChart>(0, 0, TiLevelChart::kMarginLeft + 200 + TiLevelChart::kMarginRight,
                                    TiLevelChart::kMarginTop + 101 + TiLevelChart::kMarginBottom);
        ShowForm();
        plot = chart->PlotRect();
        ASSERT_EQ(plot.Width(), 200);
        ASSERT_EQ(plot.Height(), 101);
    }

    TiLevelChart* chart = nullptr;
    TRect plot;
};

iwm::ChartColumn Column(int minLevel, int maxLevel, int threshold)
{
    iwm::ChartColumn c;
    c.hasLevels = minLevel >= 0;
    c.minLevel = static_cast<uint8_t>(std::max(minLevel, 0));
    c.maxLevel = static_cast<uint8_t>(std::max(maxLevel, 0));
    c.hasThreshold = true;
    c.threshold = static_cast<uint8_t>(threshold);
    c.alarm = c.hasLevels && maxLevel >= threshold;
    return c;
}

TEST_F(LevelChartTest, ShowsThresholdAlarmsGapsAndTheLevelWhereTheyBelong)
{
    SetUpChart();
    // 0..49 steady 60 dB under 85; 50..79 a gap; 80..129 88 to 92 dB over
    // 85; 130..199 70 dB under a threshold lowered to 75.
    std::vector<iwm::ChartColumn> columns;
    for (int i = 0; i < 200; ++i)
        columns.push_back(i < 50    ? Column(60, 60, 85)
                          : i < 80  ? Column(-1, -1, 85)
                          : i < 130 ? Column(88, 92, 85)
                                    : Column(70, 70, 75));
    chart->SetData(columns, {{100, "12:00"}});
    ASSERT_TRUE(PumpUntil([&] { return Shown(plot.Left + 10, RowOf(60)) == RGB(0, 255, 0); }, std::chrono::seconds(5)));

    const COLORREF red = RGB(255, 0, 0), lime = RGB(0, 255, 0), black = RGB(0, 0, 0), shade = RGB(0x5A, 0, 0);
    struct Probe {
        const char* what;
        int column, level;
        COLORREF colour;
    };
    const Probe probes[] = {
        {"the threshold before the gap", 10, 85, red},
        {"the threshold across the gap", 60, 85, red},
        {"the threshold over the alarm", 100 + 3, 85, red},
        {"the lowered threshold", 150, 75, red},
        {"no threshold at the old height after it changed", 150, 85, black},
        {"the steady level", 10, 60, lime},
        {"the alarm's range, top", 100 + 3, 92, lime},
        {"the alarm's range, bottom", 100 + 3, 88, lime},
        {"shading under an alarm", 100 + 3, 50, shade},
        {"shading over an alarm", 100 + 3, 110, shade},
        {"no shading without one", 10, 50, black},
        {"the level after the change", 150, 70, lime},
    };
    for (const Probe& p : probes)
        EXPECT_EQ(Shown(plot.Left + p.column, RowOf(p.level)), p.colour) << p.what;

    // A gap column shows no level at any height.
    for (int column : {50, 65, 79})
        for (int y = plot.Top; y < plot.Bottom; ++y)
            EXPECT_NE(Shown(plot.Left + column, y), lime) << "column " << column << ", row " << y;
    // The jump from the gap to the alarm starts at the alarm's own range;
    // the fall from 88 dB to 70 dB is joined in the first column after it.
    EXPECT_EQ(Shown(plot.Left + 80, RowOf(86)), shade);
    EXPECT_EQ(Shown(plot.Left + 130, RowOf(78)), lime);
    EXPECT_EQ(Shown(plot.Left + 129, RowOf(78)), shade);
}

TEST_F(LevelChartTest, RepaintsOnlyForNewData)
{
    SetUpChart();
    std::vector<iwm::ChartColumn> columns(200, Column(60, 60, 85));
    chart->SetData(columns, {});
    Pump();
    TPaintCounter paints(chart);
    chart->SetData(columns, {});
    Pump();
    EXPECT_EQ(paints.Count, 0) << "the same data again";
    columns[199] = Column(61, 61, 85);
    chart->SetData(columns, {});
    EXPECT_TRUE(PumpUntil([&] { return paints.Count > 0; }, std::chrono::seconds(2)));
}

} // namespace
