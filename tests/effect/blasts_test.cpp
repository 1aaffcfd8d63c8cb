#include "effect/blasts.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "common/stepping_clock.h"
#include "effect/explosion_frames.h"
#include "effect/random.h"
#include "effect_test_support.h"
#include "reference_effect.h"

namespace {

constexpr double LargestScale = 0.8 + 32767.0 / 32768.0;

struct Rgb {
    int32_t r, g, b;
};

Rgb PixelAt(const DibImage& image, int32_t x, int32_t y) {
    Rgb c{-1, -1, -1};
    image.GetPixel(x, y, &c.r, &c.g, &c.b);
    return c;
}

// Every slot but the ones a test sets waits far longer than any test runs.
void ParkAllSlots() {
    for (int32_t slot = 0; slot < BlastCount; ++slot) {
        Blasts.x[slot] = 0;
        Blasts.y[slot] = 0;
        Blasts.scale[slot] = 1.0;
        Blasts.sequence[slot] = 0;
        Blasts.frameCounter[slot] = -1000000;
    }
}

// Frame element e is solid in a colour that names it (the last row and column of a frame are
// never sampled into view anyway).
Rgb ElementColour(int32_t element) {
    return {1 + element / 256, element % 256, 200};
}

void FillBankWithNamedFrames() {
    ForgetFrameBank();
    for (int32_t e = 0; e < FrameBankSize; ++e) {
        FrameBank[e].Create(FrameSize, FrameSize, 24);
        const Rgb c = ElementColour(e);
        FrameBank[e].FillRect(0, 0, FrameSize - 1, FrameSize - 1, c.r, c.g, c.b);
    }
    MeasureFrameBank();
}

// Pixel (x, y) of every frame is (x, y, 255): a drawn pixel names the source point it took.
void FillBankWithCoordinateFrames() {
    ForgetFrameBank();
    for (int32_t e = 0; e < FrameBankSize; ++e) {
        FrameBank[e].Create(FrameSize, FrameSize, 24);
        for (int32_t y = 0; y < FrameSize; ++y) {
            for (int32_t x = 0; x < FrameSize; ++x) {
                FrameBank[e].SetPixel(x, y, x, y, 255);
            }
        }
    }
    MeasureFrameBank();
}

void MakeScreen(int16_t width, int16_t height) {
    ScreenWidth = width;
    ScreenHeight = height;
    ASSERT_EQ(1, ScreenBuffer.Create(width, height, 24));
}

TEST(Blasts, InitBlastsMakesTwoHundredDrawsFiveASlotInOrder) {
    const struct {
        int16_t width, height;
        uint32_t seed;
    } cases[] = {{800, 600, 1}, {32767, 1, 0xDEADBEEF}, {1, 32767, 42}, {-5, 0, 7}};
    for (const auto& c : cases) {
        ScreenWidth = c.width;
        ScreenHeight = c.height;
        SeedRandom(c.seed);
        std::vector<double> draws;
        for (int32_t i = 0; i < 200; ++i) {
            draws.push_back(Random01());
        }
        const uint32_t after = GetRandomState();
        SeedRandom(c.seed);
        InitBlasts();
        EXPECT_EQ(after, GetRandomState());
        for (int32_t slot = 0; slot < BlastCount; ++slot) {
            const double* d = &draws[5 * static_cast<size_t>(slot)];
            EXPECT_EQ(static_cast<int32_t>(d[0] * -80), Blasts.frameCounter[slot]) << slot;
            EXPECT_EQ(static_cast<int32_t>(d[1] * 10), Blasts.sequence[slot]) << slot;
            EXPECT_EQ(static_cast<int32_t>(d[2] * c.width), Blasts.x[slot]) << slot;
            EXPECT_EQ(static_cast<int32_t>(d[3] * c.height), Blasts.y[slot]) << slot;
            EXPECT_EQ(d[4] + 0.8, Blasts.scale[slot]) << slot;
        }
    }
}

// Over many respawns every field keeps to its range and reaches both of its ends.
TEST(Blasts, RespawnKeepsEveryFieldInRange) {
    ScreenWidth = 1000;
    ScreenHeight = 3;
    SeedRandom(2024);
    int32_t lowFrame = 1, highFrame = -100, lowSequence = 99, highSequence = -1;
    int32_t lowX = 99999, highX = -1, lowY = 99, highY = -1;
    double lowScale = 9, highScale = 0;
    for (int32_t i = 0; i < 300000; ++i) {
        RespawnBlast(i % BlastCount);
        const int32_t s = i % BlastCount;
        lowFrame = std::min(lowFrame, Blasts.frameCounter[s]);
        highFrame = std::max(highFrame, Blasts.frameCounter[s]);
        lowSequence = std::min(lowSequence, Blasts.sequence[s]);
        highSequence = std::max(highSequence, Blasts.sequence[s]);
        lowX = std::min(lowX, Blasts.x[s]);
        highX = std::max(highX, Blasts.x[s]);
        lowY = std::min(lowY, Blasts.y[s]);
        highY = std::max(highY, Blasts.y[s]);
        lowScale = std::min(lowScale, Blasts.scale[s]);
        highScale = std::max(highScale, Blasts.scale[s]);
    }
    EXPECT_EQ(-79, lowFrame);
    EXPECT_EQ(0, highFrame);
    EXPECT_EQ(0, lowSequence);
    EXPECT_EQ(9, highSequence);
    EXPECT_EQ(0, lowX);
    EXPECT_EQ(999, highX);
    EXPECT_EQ(0, lowY);
    EXPECT_EQ(2, highY);
    EXPECT_EQ(0.8, lowScale);
    EXPECT_EQ(LargestScale, highScale);
}

// One blast followed through thousands of ticks: each tick draws exactly the element its
// counter names, never at a negative counter, never at 30; the tick that draws frame 29
// respawns it (five draws, no more), and no other tick draws from the generator.
TEST(Blasts, RespawnTimingAndTheElementBound) {
    FillBankWithNamedFrames();
    MakeScreen(64, 48);
    ParkAllSlots();
    Blasts.x[0] = 30;
    Blasts.y[0] = 20;
    Blasts.sequence[0] = 9;  // plays up to element 299, the last
    Blasts.frameCounter[0] = -2;
    SeedRandom(77);
    int32_t respawns = 0;
    int32_t drawnLast = 0;
    for (int32_t tick = 0; tick < 3000; ++tick) {
        const int32_t counter = Blasts.frameCounter[0];
        const int32_t element = Blasts.sequence[0] * FramesPerSequence + counter;
        const int32_t x = Blasts.x[0];
        const int32_t y = Blasts.y[0];
        const uint32_t state = GetRandomState();
        ComposeTick();
        const Rgb seen = PixelAt(ScreenBuffer, x, y);
        if (counter < 0) {
            ASSERT_EQ(0, seen.r | seen.g | seen.b) << "tick " << tick << " counter " << counter;
        } else {
            ASSERT_LT(counter, FramesPerSequence);
            const Rgb named = ElementColour(element);
            ASSERT_EQ(named.r, seen.r) << "tick " << tick;
            ASSERT_EQ(named.g, seen.g) << "tick " << tick;
            ASSERT_EQ(named.b, seen.b) << "tick " << tick;
            drawnLast += element == FrameBankSize - 1;
        }
        const uint32_t after = GetRandomState();
        if (counter == FramesPerSequence - 1) {
            ++respawns;
            SeedRandom(state);
            for (int32_t i = 0; i < 5; ++i) {
                RandomRaw();
            }
            ASSERT_EQ(GetRandomState(), after) << "tick " << tick;
            SeedRandom(after);
            ASSERT_LE(Blasts.frameCounter[0], 0);
            ASSERT_GE(Blasts.frameCounter[0], -79);
        } else {
            ASSERT_EQ(state, after) << "tick " << tick;
            ASSERT_EQ(counter + 1, Blasts.frameCounter[0]);
        }
    }
    EXPECT_GT(respawns, 25);
    EXPECT_GT(drawnLast, 0);
}

// The drawn square, whole and cut by the edges: which pixels take colour, and the source
// point its first pixel samples.
TEST(Blasts, SquareSizeAndPartialBlastsAtTheEdges) {
    FillBankWithCoordinateFrames();
    struct Case {
        const char* name;
        int16_t width, height;
        int32_t x, y;
        double scale;
        int32_t x0, y0, x1, y1;  // the coloured box, inclusive
        int32_t sx, sy;          // the sample at (x0, y0)
    } cases[] = {
        {"scale 0.8: h = 76", 800, 600, 400, 300, 0.8, 324, 224, 475, 375, 0, 0},
        {"largest scale: h = 172", 800, 600, 400, 300, LargestScale, 228, 128, 571, 471, 0, 0},
        {"h = 96 around (10, 10)", 800, 600, 10, 10, 1.0, 0, 0, 105, 105, 86, 86},
        {"at the top-left corner", 800, 600, 0, 0, 0.8, 0, 0, 75, 75, 96, 96},
        {"at the bottom-right corner", 800, 600, 799, 599, 0.8, 723, 523, 799, 599, 0, 0},
        {"cut at the right edge only", 300, 600, 250, 300, 1.0, 154, 204, 299, 395, 0, 0},
        {"one pixel screen", 1, 1, 0, 0, LargestScale, 0, 0, 0, 0, 172 * 193 / 344, 96},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MakeScreen(c.width, c.height);
        ParkAllSlots();
        Blasts.x[0] = c.x;
        Blasts.y[0] = c.y;
        Blasts.scale[0] = c.scale;
        Blasts.frameCounter[0] = 0;
        ComposeTick();
        int64_t coloured = 0;
        int32_t x0 = c.width, y0 = c.height, x1 = -1, y1 = -1;
        for (int32_t y = 0; y < c.height; ++y) {
            for (int32_t x = 0; x < c.width; ++x) {
                const Rgb p = PixelAt(ScreenBuffer, x, y);
                if (p.b != 0) {
                    ++coloured;
                    x0 = std::min(x0, x);
                    y0 = std::min(y0, y);
                    x1 = std::max(x1, x);
                    y1 = std::max(y1, y);
                }
            }
        }
        EXPECT_EQ(c.x0, x0);
        EXPECT_EQ(c.y0, y0);
        EXPECT_EQ(c.x1, x1);
        EXPECT_EQ(c.y1, y1);
        EXPECT_EQ(int64_t{x1 - x0 + 1} * (y1 - y0 + 1), coloured);
        const Rgb first = PixelAt(ScreenBuffer, c.x0, c.y0);
        EXPECT_EQ(c.sx, first.r);
        EXPECT_EQ(c.sy, first.g);
    }
}

// The production tick against the literal one, state and buffer after every tick, at sizes
// from one pixel to very wide and very tall; also a buffer that is not the screen's size, and
// none at all. The larger buffers first run production ticks alone into their steady state.
TEST(Blasts, ComposeTickMatchesTheLiteralTickEveryTick) {
    UsePinnedFrameBank();
    struct Case {
        int16_t width, height;     // ScreenWidth x ScreenHeight
        int32_t bufferW, bufferH;  // the ScreenBuffer; 0 for none
        int32_t warmUp, ticks;
    } cases[] = {
        {1, 1, 1, 1, 0, 3000},       {2, 3, 2, 3, 0, 3000},         {37, 1, 37, 1, 0, 2000},
        {1, 41, 1, 41, 0, 1000},     {64, 48, 64, 48, 0, 150},      {3000, 2, 3000, 2, 0, 500},
        {2, 3000, 2, 3000, 0, 200},  {200, 150, 200, 150, 300, 25}, {120, 60, 100, 80, 300, 40},
        {60, 100, 100, 80, 300, 40}, {80, 60, 100, 80, 300, 40},    {320, 200, 0, 0, 0, 300},
    };
    static DibImage literal;
    static BlastSlots literalSlots;
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message()
                     << c.width << "x" << c.height << " on " << c.bufferW << "x" << c.bufferH);
        ScreenWidth = c.width;
        ScreenHeight = c.height;
        ScreenBuffer.Destroy();
        literal.Destroy();
        if (c.bufferW > 0) {
            ASSERT_EQ(1, ScreenBuffer.Create(c.bufferW, c.bufferH, 24));
            ASSERT_EQ(1, literal.Create(c.bufferW, c.bufferH, 24));
        }
        const uint32_t seed = 1000u * static_cast<uint32_t>(c.width) + c.height;
        SeedRandom(seed);
        InitBlasts();
        SeedRandom(seed);
        ReferenceInitBlasts(literalSlots, c.width, c.height);
        ASSERT_EQ(0, std::memcmp(&literalSlots, &Blasts, sizeof Blasts));
        for (int32_t tick = 0; tick < c.warmUp; ++tick) {
            ComposeTick();
        }
        literalSlots = Blasts;
        const size_t bytes = static_cast<size_t>(literal.GetStride()) * c.bufferH;
        // What the clear does not reach (a buffer larger than the screen) carries over.
        if (bytes > 0) {
            std::memcpy(literal.GetBits(), ScreenBuffer.GetBits(), bytes);
        }
        for (int32_t tick = 0; tick < c.ticks; ++tick) {
            const uint32_t before = GetRandomState();
            ComposeTick();
            const uint32_t after = GetRandomState();
            SeedRandom(before);
            ReferenceComposeTick(literal, c.width, c.height, literalSlots, FrameBank);
            ASSERT_EQ(GetRandomState(), after) << "tick " << tick;
            ASSERT_EQ(0, std::memcmp(&literalSlots, &Blasts, sizeof Blasts)) << "tick " << tick;
            if (bytes > 0) {
                ASSERT_EQ(0, std::memcmp(literal.GetBits(), ScreenBuffer.GetBits(), bytes))
                    << "tick " << tick;
            }
        }
    }
}

// The clear of only what the last tick drew, against the literal tick on one buffer through
// the changes that make the last tick's drawing unknown or partial: blasts cut by every edge,
// a screen narrower and lower than the buffer (the clear leaves the rest as it was), a screen
// the size of the buffer again, a buffer whose creation failed, a new buffer of the same size
// (at the same address, most likely) holding noise before its first tick, and one left black.
TEST(Blasts, ClearOfTheLastTicksDrawingMatchesTheLiteralTick) {
    UsePinnedFrameBank();
    constexpr int16_t W = 300, H = 200;
    static DibImage literal;
    static BlastSlots literalSlots;
    ScreenWidth = W;
    ScreenHeight = H;
    ASSERT_EQ(1, ScreenBuffer.Create(W, H, 24));
    ASSERT_EQ(1, literal.Create(W, H, 24));
    SeedRandom(99);
    InitBlasts();
    // Every blast starts on an edge or a corner, at a frame of its own.
    for (int32_t slot = 0; slot < BlastCount; ++slot) {
        Blasts.x[slot] = slot % 4 == 0 ? 0 : slot % 4 == 1 ? W - 1 : slot * 7;
        Blasts.y[slot] = slot % 3 == 0 ? 0 : slot % 3 == 1 ? H - 1 : slot * 5;
        Blasts.frameCounter[slot] = slot % FramesPerSequence - 5;
    }
    literalSlots = Blasts;
    const size_t bytes = static_cast<size_t>(literal.GetStride()) * H;
    uint32_t noise = 1;
    const auto fillNoise = [&noise](DibImage& image) {
        for (size_t k = 0; k < static_cast<size_t>(image.GetStride()) * image.GetHeight(); ++k) {
            noise = noise * 1103515245u + 12345u;
            image.GetBits()[k] = static_cast<uint8_t>(noise >> 24);
        }
    };
    enum class Change { None, SmallerScreen, FullScreen, NoBuffer, NoisyBuffer, BlackBuffer };
    const struct {
        const char* name;
        Change change;
        int32_t ticks;
    } phases[] = {
        {"edge blasts", Change::None, 120},
        {"narrower and lower", Change::SmallerScreen, 60},
        {"the buffer's size", Change::FullScreen, 60},
        {"no buffer", Change::NoBuffer, 20},
        {"noise, then a first tick", Change::NoisyBuffer, 60},
        {"a new black buffer", Change::BlackBuffer, 60},
    };
    for (const auto& phase : phases) {
        SCOPED_TRACE(phase.name);
        switch (phase.change) {
            case Change::None:
                break;
            case Change::SmallerScreen:
                ScreenWidth = W - 70;
                ScreenHeight = H - 50;
                break;
            case Change::FullScreen:
                ScreenWidth = W;
                ScreenHeight = H;
                break;
            case Change::NoBuffer:
                ScreenBuffer.Destroy();
                literal.Destroy();
                break;
            case Change::NoisyBuffer:
                ASSERT_EQ(1, ScreenBuffer.Create(W, H, 24));
                ASSERT_EQ(1, literal.Create(W, H, 24));
                fillNoise(ScreenBuffer);
                std::memcpy(literal.GetBits(), ScreenBuffer.GetBits(), bytes);
                ForgetDrawnArea();
                break;
            case Change::BlackBuffer:
                ScreenBuffer.Destroy();
                literal.Destroy();
                ASSERT_EQ(1, ScreenBuffer.Create(W, H, 24));
                ASSERT_EQ(1, literal.Create(W, H, 24));
                break;
        }
        for (int32_t tick = 0; tick < phase.ticks; ++tick) {
            const uint32_t before = GetRandomState();
            ComposeTick();
            const uint32_t after = GetRandomState();
            SeedRandom(before);
            ReferenceComposeTick(literal, ScreenWidth, ScreenHeight, literalSlots, FrameBank);
            ASSERT_EQ(GetRandomState(), after) << "tick " << tick;
            ASSERT_EQ(0, std::memcmp(&literalSlots, &Blasts, sizeof Blasts)) << "tick " << tick;
            if (literal.GetBits() != nullptr) {
                ASSERT_EQ(0, std::memcmp(literal.GetBits(), ScreenBuffer.GetBits(), bytes))
                    << "tick " << tick;
            }
        }
    }
}

// The saver's own path from a fixed clock: creation, then ticks, pinned.
TEST(Blasts, PinnedBufferFromAFixedClock) {
    StartEffectFromClock(PinnedWidth, PinnedHeight, PinnedClockStart, PinnedClockStep);
    ForgetFrameBank();
    EXPECT_EQ(11u, SteppingClockReads());  // the window's seed, then one per sequence
    EXPECT_EQ(PinnedFrameBankDigest, FramesDigest(FrameBank));
    for (int32_t tick = 0; tick < PinnedTicks; ++tick) {
        ComposeTick();
    }
    EXPECT_EQ(PinnedBufferDigest, StoreDigest(ScreenBuffer));
}

}  // namespace
