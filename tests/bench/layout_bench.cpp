// Reading a form of 100 controls from its layout text (parse, create, set
// properties, bind events, Loaded), and parsing alone.
#include <benchmark/benchmark.h>

#include "tests/native/testcomponents.h"

namespace {

std::string HundredControls()
{
    std::string text = "object Form1: TTestForm\n  Caption = 'Orvane Panel'\n  Color = clBtnFace\n"
                       "  OnShow = FormShow\n  object Panel1: TTestControl\n    Color = 12891320\n";
    for (int i = 1; i < 100; ++i) {
        const std::string n = std::to_string(i);
        text += "    object iSlider" + n + ": TTestSlider\n      Left = " + std::to_string(8 + 20 * i) +
                "\n      Top = 218\n      Caption = 'Slider " + n +
                "'\n      Color = 4227327\n      Alignment = taCenter\n      Font.Height = -11\n"
                "      Font.Style = [fsBold]\n      Position = 10\n      PointerHeight = 11\n"
                "      OnClick = Button1Click\n      PositionMax_2 = 100.000000000000000000\n    end\n";
    }
    return text + "  end\nend\n";
}

void BM_ReadLayout100(benchmark::State& state)
{
    const std::string text = HundredControls();
    for (auto _ : state) {
        TTestForm form;
        ReadLayout(form, text);
        benchmark::DoNotOptimize(form.ComponentCount());
    }
}
BENCHMARK(BM_ReadLayout100)->Unit(benchmark::kMicrosecond);

void BM_ParseLayout100(benchmark::State& state)
{
    const std::string text = HundredControls();
    for (auto _ : state)
        benchmark::DoNotOptimize(ParseLayout(text));
}
BENCHMARK(BM_ParseLayout100)->Unit(benchmark::kMicrosecond);

} // namespace
