// Decoding the sizes of bitmap a skin or a screenshot brings: a full 24-bit
// screen and an 8-bit one of the same size.
#include "runtime/bmpcodec.h"

#include <benchmark/benchmark.h>

#include <cstring>

namespace {

constexpr int32_t W = 1024, H = 768;

std::vector<uint8_t> File24()
{
    TBmpImage img;
    img.Width = W, img.Height = H;
    img.Pixels.resize(size_t{W} * H);
    for (size_t i = 0; i < img.Pixels.size(); ++i)
        img.Pixels[i] = 0xFF000000u | static_cast<uint32_t>(i * 2654435761u >> 8);
    TMemoryStream s;
    EncodeBmp(img, 24, s);
    return s.Bytes();
}

std::vector<uint8_t> File8()
{
    const uint32_t offBits = 14 + 40 + 256 * 4;
    std::vector<uint8_t> f(offBits + size_t{W} * H);
    auto put32 = [&](size_t at, uint32_t v) { std::memcpy(&f[at], &v, 4); };
    f[0] = 'B', f[1] = 'M';
    put32(2, static_cast<uint32_t>(f.size()));
    put32(10, offBits);
    put32(14, 40), put32(18, W), put32(22, H), put32(26, 1 | 8 << 16);
    for (uint32_t i = 0; i < 256; ++i)
        put32(54 + i * 4, i * 0x010203u);
    for (size_t i = offBits; i < f.size(); ++i)
        f[i] = static_cast<uint8_t>(i * 31);
    return f;
}

void Decode(benchmark::State& state, const std::vector<uint8_t>& file)
{
    for (auto _ : state) {
        TBmpImage img = DecodeBmp(file);
        benchmark::DoNotOptimize(img.Pixels.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(file.size()));
    state.counters["Mpixel/s"] =
        benchmark::Counter(double(W) * H * double(state.iterations()) / 1e6, benchmark::Counter::kIsRate);
}

void BM_BmpDecode24(benchmark::State& state)
{
    Decode(state, File24());
}
void BM_BmpDecode8(benchmark::State& state)
{
    Decode(state, File8());
}

} // namespace

BENCHMARK(BM_BmpDecode24)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BmpDecode8)->Unit(benchmark::kMillisecond);
