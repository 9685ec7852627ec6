#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "skinfiles/winconvert.h"

namespace {

constexpr size_t kInputSize = 1 << 20;

// Lines of words drawn from a fixed vocabulary with a skewed choice, like an
// ini file or a layout: many short and medium matches at varied distances.
std::vector<uint8_t> TextInput()
{
    std::mt19937 rng(12345);
    std::vector<std::string> vocabulary;
    for (int i = 0; i < 600; i++) {
        std::string w;
        const int len = 2 + static_cast<int>(rng() % 9);
        for (int k = 0; k < len; k++)
            w += static_cast<char>('a' + rng() % 26);
        vocabulary.push_back(w);
    }
    std::vector<uint8_t> out;
    while (out.size() < kInputSize) {
        const int words = 3 + static_cast<int>(rng() % 10);
        for (int k = 0; k < words; k++) {
            // Squaring skews towards the front of the vocabulary.
            const double u = double(rng()) / double(std::mt19937::max());
            const std::string& w = vocabulary[static_cast<size_t>(u * u * double(vocabulary.size() - 1))];
            out.insert(out.end(), w.begin(), w.end());
            out.push_back(k + 1 < words ? ' ' : '.');
        }
        out.push_back('\r');
        out.push_back('\n');
    }
    out.resize(kInputSize);
    return out;
}

// A 24-bit bitmap: a 54-byte header, then rows of gradients with a little
// noise and a few flat rectangles, as skin images are.
std::vector<uint8_t> BitmapInput()
{
    std::mt19937 rng(777);
    std::vector<uint8_t> out(54, 0);
    out[0] = 'B';
    out[1] = 'M';
    const int width = 512;
    while (out.size() < kInputSize) {
        const int y = static_cast<int>((out.size() - 54) / (width * 3));
        for (int x = 0; x < width; x++) {
            const bool flat = (x / 64 + y / 32) % 5 == 0;
            const int noise = flat ? 0 : static_cast<int>(rng() % 5);
            out.push_back(static_cast<uint8_t>(flat ? 0xFF : (x / 2 + noise)));
            out.push_back(static_cast<uint8_t>(flat ? 0x00 : (y + noise)));
            out.push_back(static_cast<uint8_t>(flat ? 0xFF : ((x + y) / 4 + noise)));
        }
    }
    out.resize(kInputSize);
    return out;
}

TMemoryStream StreamOf(const std::vector<uint8_t>& bytes)
{
    TMemoryStream s;
    s.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
    return s;
}

void Pack(benchmark::State& state, const std::vector<uint8_t>& input)
{
    TMemoryStream src = StreamOf(input);
    int64_t packedSize = 0;
    for (auto _ : state) {
        TMemoryStream dst;
        Compress(src, dst);
        packedSize = dst.GetSize();
        benchmark::DoNotOptimize(dst.Memory());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(input.size()));
    state.counters["ratio"] = double(input.size()) / double(packedSize);
}

void Unpack(benchmark::State& state, const std::vector<uint8_t>& input)
{
    TMemoryStream src = StreamOf(input);
    TMemoryStream packed;
    Compress(src, packed);
    for (auto _ : state) {
        TMemoryStream dst;
        Decompress(packed, dst);
        benchmark::DoNotOptimize(dst.Memory());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(input.size()));
}

void BM_LzhPackText(benchmark::State& state)
{
    Pack(state, TextInput());
}
void BM_LzhPackBitmap(benchmark::State& state)
{
    Pack(state, BitmapInput());
}
void BM_LzhUnpackText(benchmark::State& state)
{
    Unpack(state, TextInput());
}
void BM_LzhUnpackBitmap(benchmark::State& state)
{
    Unpack(state, BitmapInput());
}

} // namespace

BENCHMARK(BM_LzhPackText)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LzhPackBitmap)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LzhUnpackText)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LzhUnpackBitmap)->Unit(benchmark::kMillisecond);
