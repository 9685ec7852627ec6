// TiLevelChart: a sound level over time. Each pixel column of the plot shows
// the lowest and highest level that fell into it, joined to its neighbours;
// columns with an alarm are shaded, the threshold is a line, and columns
// without a level stay blank. The scale is labelled in dB on the left and in
// clock time below. The chart draws what it is given: the owner builds one
// column of data per pixel column of PlotRect and the ticks of the time axis.
#pragma once

#include <string>
#include <vector>

#include "widgets/ichartgeometry.h"
#include "widgets/ivclcomponent.h"

class TiLevelChart : public TiCustomComponent {
    ORVANE_CLASS(TiLevelChart, TiCustomComponent)
    explicit TiLevelChart(TComponent* AOwner);

    int32_t GetMinLevel() const { return minLevel_; }
    void SetMinLevel(int32_t Value) { SetIntegerProperty(Value, minLevel_, irtInvalidate); }
    int32_t GetMaxLevel() const { return maxLevel_; }
    void SetMaxLevel(int32_t Value) { SetIntegerProperty(Value, maxLevel_, irtInvalidate); }
    TColor GetPlotColor() const { return plotColor_; }
    void SetPlotColor(TColor Value) { SetColorProperty(Value, plotColor_, irtInvalidate); }
    TColor GetTraceColor() const { return traceColor_; }
    void SetTraceColor(TColor Value) { SetColorProperty(Value, traceColor_, irtInvalidate); }
    TColor GetThresholdColor() const { return thresholdColor_; }
    void SetThresholdColor(TColor Value) { SetColorProperty(Value, thresholdColor_, irtInvalidate); }
    TColor GetAlarmColor() const { return alarmColor_; }
    void SetAlarmColor(TColor Value) { SetColorProperty(Value, alarmColor_, irtInvalidate); }
    TColor GetGridColor() const { return gridColor_; }
    void SetGridColor(TColor Value) { SetColorProperty(Value, gridColor_, irtInvalidate); }
    // Above the level scale: the unit with its weighting, "dB(A)".
    const std::string& GetLevelCaption() const { return levelCaption_; }
    void SetLevelCaption(const std::string& Value) { SetStringProperty(Value, levelCaption_, irtInvalidate); }

    // The plot area in client coordinates; one column of data per pixel.
    TRect PlotRect() const;
    // Repaints only when something differs from what is shown.
    void SetData(std::vector<iwm::ChartColumn> Columns, std::vector<iwm::ChartTick> Ticks);
    const std::vector<iwm::ChartColumn>& Columns() const { return columns_; }
    const std::vector<iwm::ChartTick>& Ticks() const { return ticks_; }

    // Room around the plot for the labels.
    static constexpr int32_t kMarginLeft = 34, kMarginTop = 20, kMarginRight = 12, kMarginBottom = 20;

protected:
    void iPaintTo(TCanvas* Canvas) override;

private:
    int32_t LevelY(const TRect& plot, double level) const;
    void DrawAlarms(TCanvas* Canvas, const TRect& plot);
    void DrawLevelScale(TCanvas* Canvas, const TRect& plot);
    void DrawTimeScale(TCanvas* Canvas, const TRect& plot);
    void DrawThreshold(TCanvas* Canvas, const TRect& plot);
    void DrawTrace(TCanvas* Canvas, const TRect& plot);

    int32_t minLevel_ = 30, maxLevel_ = 130;
    TColor plotColor_ = clBlack;
    TColor traceColor_ = clLime;
    TColor thresholdColor_ = clRed;
    TColor alarmColor_ = 0x00005A; // a dark red that the red line stands out on
    TColor gridColor_ = 0x404040;
    std::string levelCaption_ = "dB";
    std::vector<iwm::ChartColumn> columns_;
    std::vector<iwm::ChartTick> ticks_;
};
