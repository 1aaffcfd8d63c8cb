// The effect's two costs: one compose tick in steady state, against a floor of the same tick's
// memory traffic and against the literal tick; and the start-up synthesis of the frames,
// against the literal synthesis. Read the ratio counters; the times alone say little.
#include <benchmark/benchmark.h>
#include <emmintrin.h>

#include <chrono>
#include <cstring>
#include <map>
#include <utility>
#include <vector>

#include "common/stepping_clock.h"
#include "effect/blasts.h"
#include "effect/clock.h"
#include "effect/explosion_frames.h"
#include "effect/random.h"
#include "reference_effect.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

// A cycle of ticks that every compose benchmark runs over and over from the same state.
constexpr int32_t CycleTicks = 64;
constexpr int32_t WarmUpTicks = 300;

double firstBuildSeconds = 0;

void EnsureFrames() {
    static const bool built = [] {
        InstallSteppingClock(123456, 7);
        SeedRandom(ReadMillisecondClock());
        const Clock::time_point start = Clock::now();
        BuildExplosionFrames();
        firstBuildSeconds = Seconds(Clock::now() - start);
        return true;
    }();
    (void)built;
}

struct SteadyState {
    BlastSlots slots;
    uint32_t random = 0;
    // Per tick of the cycle: the pixels its blasts add colour to, overlaps counted each time.
    std::vector<int64_t> colouredPixels;
};

void Restore(const SteadyState& steady) {
    Blasts = steady.slots;
    SeedRandom(steady.random);
}

// Counts what each playing blast of the next tick adds colour to, drawing it alone on black.
int64_t ColouredPixelsOfNextTick(DibImage& scratch) {
    int64_t coloured = 0;
    for (int32_t slot = 0; slot < BlastCount; ++slot) {
        if (Blasts.frameCounter[slot] < 0) {
            continue;
        }
        const int32_t half = BlastHalfSide(slot);
        const int32_t x = Blasts.x[slot];
        const int32_t y = Blasts.y[slot];
        MapQuad(scratch, BlastSquare(slot),
                FrameBank[Blasts.sequence[slot] * FramesPerSequence + Blasts.frameCounter[slot]],
                FrameQuad);
        for (int32_t py = std::max(0, y - half); py <= std::min(scratch.GetHeight() - 1, y + half);
             ++py) {
            uint8_t* line = scratch.GetLine(py);
            for (int32_t px = std::max(0, x - half);
                 px <= std::min(scratch.GetWidth() - 1, x + half); ++px) {
                uint8_t* p = line + 3 * px;
                coloured += (p[0] | p[1] | p[2]) != 0;
                p[0] = p[1] = p[2] = 0;
            }
        }
    }
    return coloured;
}

// The ScreenBuffer at width x height after the warm-up, and the cycle that follows it.
const SteadyState& SteadyAt(int16_t width, int16_t height) {
    static std::map<std::pair<int, int>, SteadyState> states;
    EnsureFrames();
    ScreenWidth = width;
    ScreenHeight = height;
    if (ScreenBuffer.GetWidth() != width || ScreenBuffer.GetHeight() != height) {
        ScreenBuffer.Create(width, height, 24);
    }
    SteadyState& steady = states[{width, height}];
    if (steady.colouredPixels.empty()) {
        SeedRandom(20261210);
        InitBlasts();
        for (int32_t i = 0; i < WarmUpTicks; ++i) {
            ComposeTick();
        }
        steady.slots = Blasts;
        steady.random = GetRandomState();
        DibImage scratch;
        scratch.Create(width, height, 24);
        for (int32_t i = 0; i < CycleTicks; ++i) {
            steady.colouredPixels.push_back(ColouredPixelsOfNextTick(scratch));
            ComposeTick();
        }
    }
    Restore(steady);
    return steady;
}

// The least a tick can cost: clear the whole buffer, then one saturating add of a source byte
// into the buffer for every byte that the tick colours.
void FloorTick(const SteadyState& steady, int32_t tick, const std::vector<uint8_t>& source) {
    uint8_t* store = ScreenBuffer.GetBits();
    const size_t storeBytes =
        static_cast<size_t>(ScreenBuffer.GetStride()) * ScreenBuffer.GetHeight();
    std::memset(store, 0, storeBytes);
    const size_t blocks = static_cast<size_t>(3 * steady.colouredPixels[tick]) / 16;
    const size_t storeBlocks = storeBytes / 16;
    const size_t sourceBlocks = source.size() / 16;
    for (size_t i = 0, d = 0, s = 0; i < blocks; ++i) {
        __m128i* to = reinterpret_cast<__m128i*>(store) + d;
        const __m128i* from = reinterpret_cast<const __m128i*>(source.data()) + s;
        _mm_storeu_si128(to, _mm_adds_epu8(_mm_loadu_si128(to), _mm_loadu_si128(from)));
        d = d + 1 == storeBlocks ? 0 : d + 1;
        s = s + 1 == sourceBlocks ? 0 : s + 1;
    }
    benchmark::ClobberMemory();
}

std::vector<uint8_t> FloorSource() {
    // The bytes of a few real frames, so that the adds see the frames' mix of values.
    std::vector<uint8_t> source;
    for (int32_t e = 0; e < 8; ++e) {
        const uint8_t* bits = FrameBank[e * 37].GetBits();
        source.insert(source.end(), bits, bits + 580 * 193);
    }
    return source;
}

double FloorSecondsPerTick(const SteadyState& steady, int32_t rounds) {
    const std::vector<uint8_t> source = FloorSource();
    const Clock::time_point start = Clock::now();
    for (int32_t r = 0; r < rounds; ++r) {
        for (int32_t t = 0; t < CycleTicks; ++t) {
            FloorTick(steady, t, source);
        }
    }
    return Seconds(Clock::now() - start) / (rounds * CycleTicks);
}

void SetTickCounters(benchmark::State& state, const SteadyState& steady, double secondsPerTick) {
    int64_t coloured = 0;
    for (int64_t c : steady.colouredPixels) {
        coloured += c;
    }
    state.counters["coloured_px"] = static_cast<double>(coloured) / CycleTicks;
    // Floor measured here, in the same run, over the same ticks.
    const int32_t rounds = std::max(1, static_cast<int32_t>(0.2 / (secondsPerTick * CycleTicks)));
    state.counters["x_floor"] = secondsPerTick / FloorSecondsPerTick(steady, rounds);
}

void BM_ComposeFloor(benchmark::State& state) {
    const SteadyState& steady =
        SteadyAt(static_cast<int16_t>(state.range(0)), static_cast<int16_t>(state.range(1)));
    const std::vector<uint8_t> source = FloorSource();
    int32_t tick = 0;
    for (auto _ : state) {
        FloorTick(steady, tick, source);
        tick = tick + 1 == CycleTicks ? 0 : tick + 1;
    }
}

void BM_ComposeTick(benchmark::State& state) {
    const SteadyState& steady =
        SteadyAt(static_cast<int16_t>(state.range(0)), static_cast<int16_t>(state.range(1)));
    int32_t tick = 0;
    const Clock::time_point start = Clock::now();
    for (auto _ : state) {
        if (tick == 0) {
            Restore(steady);  // a few hundred nanoseconds in a tick of a millisecond
        }
        ComposeTick();
        benchmark::ClobberMemory();
        tick = tick + 1 == CycleTicks ? 0 : tick + 1;
    }
    const double perTick = Seconds(Clock::now() - start) / static_cast<double>(state.iterations());
    SetTickCounters(state, steady, perTick);
}

void BM_LiteralComposeTick(benchmark::State& state) {
    const int16_t width = static_cast<int16_t>(state.range(0));
    const int16_t height = static_cast<int16_t>(state.range(1));
    const SteadyState& steady = SteadyAt(width, height);
    static DibImage buffer;
    buffer.Create(width, height, 24);
    BlastSlots slots = steady.slots;
    int32_t tick = 0;
    const Clock::time_point start = Clock::now();
    for (auto _ : state) {
        if (tick == 0) {
            slots = steady.slots;
            SeedRandom(steady.random);
        }
        ReferenceComposeTick(buffer, width, height, slots, FrameBank);
        benchmark::ClobberMemory();
        tick = tick + 1 == CycleTicks ? 0 : tick + 1;
    }
    const double perTick = Seconds(Clock::now() - start) / static_cast<double>(state.iterations());
    SetTickCounters(state, steady, perTick);
}

void ScreenSizes(benchmark::internal::Benchmark* b) {
    b->Args({800, 600})->Args({1920, 1080})->Args({3840, 2160})->Unit(benchmark::kMicrosecond);
}

BENCHMARK(BM_ComposeFloor)->Apply(ScreenSizes);
BENCHMARK(BM_ComposeTick)->Apply(ScreenSizes);
BENCHMARK(BM_LiteralComposeTick)->Apply(ScreenSizes);

ReferenceHeatGrids literalGrids;
DibImage literalFrames[FrameBankSize];

double LiteralBuildSeconds() {
    static const double seconds = [] {
        double best = 1e9;
        for (int32_t i = 0; i < 3; ++i) {
            InstallSteppingClock(123456, 7);
            const Clock::time_point start = Clock::now();
            ReferenceBuildExplosionFrames(literalGrids, literalFrames);
            best = std::min(best, Seconds(Clock::now() - start));
        }
        return best;
    }();
    return seconds;
}

void BM_BuildExplosionFrames(benchmark::State& state) {
    EnsureFrames();
    double best = 1e9;
    for (auto _ : state) {
        InstallSteppingClock(123456, 7);
        const Clock::time_point start = Clock::now();
        BuildExplosionFrames();
        best = std::min(best, Seconds(Clock::now() - start));
    }
    state.counters["first_build_ms"] = 1000 * firstBuildSeconds;
    state.counters["x_literal"] = best / LiteralBuildSeconds();
}

void BM_LiteralBuildExplosionFrames(benchmark::State& state) {
    for (auto _ : state) {
        InstallSteppingClock(123456, 7);
        ReferenceBuildExplosionFrames(literalGrids, literalFrames);
    }
}

BENCHMARK(BM_BuildExplosionFrames)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LiteralBuildExplosionFrames)->Unit(benchmark::kMillisecond);

}  // namespace
