#include "effect/explosion_frames.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <vector>

#include "common/stepping_clock.h"
#include "effect/clock.h"
#include "effect/random.h"
#include "effect_test_support.h"
#include "reference_effect.h"

namespace {

struct Rgb {
    int32_t r, g, b;
    bool operator==(const Rgb& o) const { return r == o.r && g == o.g && b == o.b; }
};

std::ostream& operator<<(std::ostream& os, const Rgb& c) {
    return os << "(" << c.r << ", " << c.g << ", " << c.b << ")";
}

Rgb PixelAt(const DibImage& image, int32_t x, int32_t y) {
    Rgb c{-1, -1, -1};
    image.GetPixel(x, y, &c.r, &c.g, &c.b);
    return c;
}

bool SameStore(const DibImage& a, const DibImage& b) {
    if (a.GetWidth() != b.GetWidth() || a.GetHeight() != b.GetHeight() ||
        a.GetStride() != b.GetStride() || (a.GetBits() == nullptr) != (b.GetBits() == nullptr)) {
        return false;
    }
    return a.GetBits() == nullptr || std::memcmp(a.GetBits(), b.GetBits(),
                                                 static_cast<size_t>(a.GetStride()) *
                                                     static_cast<size_t>(a.GetHeight())) == 0;
}

// Draws made by the generator to get from state from to state to, or -1 beyond limit.
int32_t DrawsBetween(uint32_t from, uint32_t to, int32_t limit) {
    SeedRandom(from);
    for (int32_t n = 0; n <= limit; ++n) {
        if (GetRandomState() == to) {
            return n;
        }
        RandomRaw();
    }
    return -1;
}

ReferenceHeatGrids referenceGrids;
DibImage referenceFrames[FrameBankSize];

TEST(Random, KnownDrawsAndScaling) {
    SeedRandom(1);
    const int32_t expected[] = {41, 18467, 6334, 26500, 19169};
    for (int32_t draw : expected) {
        EXPECT_EQ(draw, RandomRaw());
    }
    SeedRandom(1);
    EXPECT_EQ(0.001251220703125, Random01());
    EXPECT_EQ(2745024u, GetRandomState());

    // Random01 is the raw draw over 32768, so never 1; the state wraps modulo 2^32.
    for (uint32_t seed : {0u, 0xFFFFFFFFu, 0x80000000u, 12345u}) {
        SeedRandom(seed);
        const int32_t raw = RandomRaw();
        SeedRandom(seed);
        const double unit = Random01();
        EXPECT_EQ(raw / 32768.0, unit);
        EXPECT_LT(unit, 1.0);
        EXPECT_EQ(seed * 214013u + 2531011u, GetRandomState());
    }
}

TEST(Synthesis, AcceptanceCirclesAreAroundTheGridCentre) {
    struct Case {
        int32_t px, py;
        double radius;
        bool accepted;
    } cases[] = {
        {108, 109, ClusterRadius, true},   // 365
        {107, 110, ClusterRadius, false},  // 369
        {95 - 19, 95, ClusterRadius, true},
        {95 + 19, 95 + 5, ClusterRadius, false},
        {83, 95, 12, true},
        {82, 95, 12, false},
        {95, 107, 12, true},
        {104, 104, 12, false},
        {71, 95, 24, true},
        {70, 95, 24, false},
        {95, 119, 24, true},
        {47, 95, 48, true},
        {46, 95, 48, false},
        {95, 143, 48, true},
        {95, 47, 48, true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.accepted, IsWithinRadius(c.px, c.py, c.radius))
            << c.px << "," << c.py << " within " << c.radius;
    }
    // On the whole grid the circles are the integer discs of the squared radii 368, 144, 576
    // and 2304.
    const struct {
        double radius;
        int32_t squared;
    } circles[] = {{ClusterRadius, 368}, {12, 144}, {24, 576}, {48, 2304}};
    for (const auto& circle : circles) {
        for (int32_t y = 0; y < FrameSize; ++y) {
            for (int32_t x = 0; x < FrameSize; ++x) {
                const int32_t d2 = (x - 95) * (x - 95) + (y - 95) * (y - 95);
                ASSERT_EQ(d2 <= circle.squared, IsWithinRadius(x, y, circle.radius))
                    << x << "," << y << " radius " << circle.radius;
            }
        }
    }
    EXPECT_EQ(5.0, Distance(0, 0, 3, -4));
    const int32_t lo = std::numeric_limits<int32_t>::min();
    const int32_t hi = std::numeric_limits<int32_t>::max();
    EXPECT_DOUBLE_EQ(4294967295.0 * 1.4142135623730951, Distance(lo, lo, hi, hi));
}

// Where the heat of one synthesis can lie: each kind of deposit only within its circle.
TEST(Synthesis, HeatLiesWithinTheCirclesOfItsDeposits) {
    for (uint32_t clock : {0u, 1u, 4000000000u, 123456u}) {
        InstallSteppingClock(clock, 0);
        SynthesizeHeatGrid();
        int64_t total = 0;
        for (int32_t y = 0; y < FrameSize; ++y) {
            for (int32_t x = 0; x < FrameSize; ++x) {
                const int32_t heat = HeatGrid[x + FrameSize * y];
                const int32_t d2 = (x - 95) * (x - 95) + (y - 95) * (y - 95);
                ASSERT_GE(heat, 0);
                total += heat;
                if (d2 > 2304) {
                    ASSERT_EQ(0, heat) << x << "," << y;
                } else if (d2 > 368) {
                    // Only the middle and outer discs reach past the cluster circle.
                    ASSERT_EQ(0, heat % 8000) << x << "," << y;
                }
            }
        }
        // The three discs alone, at their rates of acceptance, bring some 1.5e7.
        EXPECT_GT(total, 10000000);
        EXPECT_EQ(1u, SteppingClockReads());
    }
}

// Two draws per candidate, and a third only for an accepted cluster candidate.
TEST(Synthesis, DrawsConsumedPerCandidate) {
    for (uint32_t clock : {0u, 77u, 123456u, 3000000000u}) {
        InstallSteppingClock(clock, 0);
        const ReferenceSynthesisCounts counts = ReferenceSynthesizeHeatGrid(referenceGrids);
        EXPECT_EQ(8 + 2 * 2800 + counts.acceptedClusterCandidates + 2 * 4800, counts.draws);
        EXPECT_GT(counts.acceptedClusterCandidates, 0);
        EXPECT_LT(counts.acceptedClusterCandidates, 2800);

        InstallSteppingClock(clock, 0);
        SynthesizeHeatGrid();
        const uint32_t after = GetRandomState();
        EXPECT_EQ(counts.draws, DrawsBetween(clock, after, 20000)) << "clock " << clock;
        EXPECT_EQ(0, std::memcmp(referenceGrids.heat, HeatGrid, sizeof HeatGrid));
    }
}

// The fire ramp at the edges of its bands, through a real step: a lone source of 4d leaves d
// in its own cell, painted at pixel (x - 1, y - 1) over a frame that is not black, so that
// band 0 shows that it adds and the others that they set.
TEST(Painting, HeatToColourBandsAtTheirEdges) {
    const Rgb before{100, 90, 80};
    struct Case {
        int32_t heat;
        bool painted;
        bool adds;
        Rgb colour;
    } cases[] = {
        {-8, false, false, {}},
        {0, false, false, {}},
        {7, false, false, {}},
        {8, true, true, {8, 1, 0}},
        {47, true, true, {47, 9, 0}},
        {48, true, false, {48, 12, 0}},
        {95, true, false, {95, 23, 0}},
        {96, true, false, {96, 32, 0}},
        {143, true, false, {143, 47, 0}},
        {144, true, false, {144, 72, 36}},
        {191, true, false, {191, 95, 47}},
        {192, true, false, {192, 96, 48}},
        {239, true, false, {239, 119, 59}},
        {240, true, false, {240, 240, 60}},
        {255, true, false, {255, 255, 63}},
        {256, true, false, {255, 255, 63}},
        {100000, true, false, {255, 255, 63}},
    };
    for (const Case& c : cases) {
        for (int32_t i = 0; i < HeatCells; ++i) {
            HeatGrid[i] = 0;
        }
        HeatGrid[95 + FrameSize * 95] = 4 * c.heat + (c.heat < 0 ? 0 : 3);
        DibImage frame;
        ASSERT_EQ(1, frame.Create(FrameSize, FrameSize, 24));
        frame.FillRect(0, 0, 192, 192, before.r, before.g, before.b);
        DiffuseAndPaint(frame, 95, 95);
        ASSERT_EQ(c.heat, NextHeatGrid[95 + FrameSize * 95]);
        Rgb expected = before;
        if (c.painted) {
            expected =
                c.adds ? Rgb{before.r + c.colour.r, before.g + c.colour.g, before.b} : c.colour;
        }
        EXPECT_EQ(expected, PixelAt(frame, 94, 94)) << "heat " << c.heat;
        // Saturating: band 0 over a bright pixel stops at 255.
        if (c.adds) {
            frame.FillRect(0, 0, 192, 192, 250, 254, 7);
            for (int32_t i = 0; i < HeatCells; ++i) {
                HeatGrid[i] = 0;
            }
            HeatGrid[95 + FrameSize * 95] = 4 * c.heat;
            DiffuseAndPaint(frame, 95, 95);
            EXPECT_EQ((Rgb{255, 254 + c.colour.g > 255 ? 255 : 254 + c.colour.g, 7}),
                      PixelAt(frame, 94, 94))
                << "heat " << c.heat;
        }
    }
}

// Any grid, any frame, any placement: the step equals the literal one, border rules and all.
TEST(Painting, DiffuseAndPaintMatchesTheLiteralStep) {
    struct Case {
        const char* name;
        int32_t x0, y0, x1, y1;  // where the random heat goes
        int32_t frameWidth, frameHeight;
        int32_t cx, cy;
    } cases[] = {
        {"interior, fresh frame", 60, 50, 130, 140, 193, 193, 95, 95},
        {"the whole grid, row 0 and column 192 too", 0, 0, 192, 192, 193, 193, 95, 95},
        {"last cells: wrap and drop", 150, 185, 192, 192, 193, 193, 95, 95},
        {"shifted onto a small frame", 40, 40, 150, 150, 50, 70, 30, -20},
        {"shifted past the far edges", 2, 2, 190, 190, 193, 193, 180, 200},
        {"far outside", 10, 10, 180, 180, 193, 193, -100000, 2000000000},
    };
    uint32_t noise = 99;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (int32_t i = 0; i < HeatCells; ++i) {
            HeatGrid[i] = 0;
            NextHeatGrid[i] = static_cast<int32_t>(i * 7 + 1);  // stale, to be replaced
        }
        for (int32_t y = c.y0; y <= c.y1; ++y) {
            for (int32_t x = c.x0; x <= c.x1; ++x) {
                noise = noise * 1664525u + 1013904223u;
                // Mostly cool, some hot, some cells left at zero.
                const uint32_t v = noise >> 16;
                HeatGrid[x + FrameSize * y] = v % 5 == 0 ? 0 : static_cast<int32_t>(v % 3000);
            }
        }
        std::memcpy(referenceGrids.heat, HeatGrid, sizeof HeatGrid);
        DibImage frame;
        DibImage expected;
        ASSERT_EQ(1, frame.Create(c.frameWidth, c.frameHeight, 24));
        ASSERT_EQ(1, expected.Create(c.frameWidth, c.frameHeight, 24));
        frame.FillRect(0, 0, c.frameWidth, c.frameHeight / 2, 30, 250, 5);
        expected.FillRect(0, 0, c.frameWidth, c.frameHeight / 2, 30, 250, 5);
        for (int32_t step = 0; step < 3; ++step) {
            DiffuseAndPaint(frame, c.cx, c.cy);
            ReferenceDiffuseAndPaint(referenceGrids, expected, c.cx, c.cy);
            ASSERT_EQ(0, std::memcmp(referenceGrids.next, NextHeatGrid, sizeof HeatGrid));
            ASSERT_EQ(0, std::memcmp(referenceGrids.heat, HeatGrid, sizeof HeatGrid));
            ASSERT_TRUE(SameStore(expected, frame)) << "step " << step;
        }
    }
    // A frame without a store paints nothing, and the grids go on as ever.
    DibImage empty;
    std::memcpy(HeatGrid, referenceGrids.heat, sizeof HeatGrid);
    DibImage scratch;
    scratch.Create(FrameSize, FrameSize, 24);
    DiffuseAndPaint(empty, 95, 95);
    ReferenceDiffuseAndPaint(referenceGrids, scratch, 95, 95);
    EXPECT_EQ(nullptr, empty.GetBits());
    EXPECT_EQ(0, std::memcmp(referenceGrids.heat, HeatGrid, sizeof HeatGrid));

    // A placement whose pixel coordinates leave 32 bits paints nothing (and does not overflow).
    const int32_t far = std::numeric_limits<int32_t>::max();
    for (const auto& at : {std::make_pair(far, 95), std::make_pair(95, -far - 1)}) {
        DibImage frame;
        frame.Create(FrameSize, FrameSize, 24);
        std::memcpy(HeatGrid, referenceGrids.heat, sizeof HeatGrid);
        DiffuseAndPaint(frame, at.first, at.second);
        for (int32_t y = 0; y < FrameSize; ++y) {
            for (int32_t x = 0; x < FrameSize; ++x) {
                ASSERT_EQ((Rgb{0, 0, 0}), PixelAt(frame, x, y));
            }
        }
    }
}

// All 300 frames and the grids and generator they leave, against the literal build, from a
// clock that steps (every sequence its own seed) and one that stands still (every sequence
// starts within the same millisecond).
TEST(Frames, BuildMatchesTheLiteralSynthesisByteForByte) {
    const struct {
        uint32_t start, step;
    } clocks[] = {{PinnedClockStart, PinnedClockStep}, {4294967290u, 1}, {5000, 0}};
    for (const auto& clock : clocks) {
        SCOPED_TRACE(::testing::Message() << "clock " << clock.start << ":" << clock.step);
        ForgetFrameBank();
        InstallSteppingClock(clock.start, clock.step);
        BuildExplosionFrames();
        EXPECT_EQ(10u, SteppingClockReads());
        const uint32_t state = GetRandomState();

        InstallSteppingClock(clock.start, clock.step);
        ReferenceBuildExplosionFrames(referenceGrids, referenceFrames);
        EXPECT_EQ(state, GetRandomState());
        for (int32_t i = 0; i < FrameBankSize; ++i) {
            ASSERT_EQ(193, FrameBank[i].GetWidth());
            ASSERT_TRUE(SameStore(referenceFrames[i], FrameBank[i])) << "element " << i;
        }
        // The lit extents recorded while painting are those of the literal frames.
        for (int32_t i = 0; i < FrameBankSize; ++i) {
            LitExtent measured[FrameSize];
            ASSERT_EQ(1, MeasureLitExtents(referenceFrames[i], measured));
            for (int32_t y = 0; y < FrameSize; ++y) {
                const LitExtent made = FrameLitRows[i][y];
                if (measured[y].first > measured[y].last) {
                    ASSERT_GT(made.first, made.last) << "element " << i << " row " << y;
                } else {
                    ASSERT_EQ(measured[y].first, made.first) << "element " << i << " row " << y;
                    ASSERT_EQ(measured[y].last, made.last) << "element " << i << " row " << y;
                }
            }
        }
        EXPECT_EQ(0, std::memcmp(referenceGrids.heat, HeatGrid, sizeof HeatGrid));
        EXPECT_EQ(0, std::memcmp(referenceGrids.next, NextHeatGrid, sizeof HeatGrid));

        if (clock.step == 0) {
            for (int32_t i = FramesPerSequence; i < FrameBankSize; ++i) {
                ASSERT_TRUE(SameStore(FrameBank[i % FramesPerSequence], FrameBank[i])) << i;
            }
        } else {
            EXPECT_FALSE(SameStore(FrameBank[0], FrameBank[FramesPerSequence]));
        }
    }
}

// The pinned frames: fireballs that flare yellow (heat clamped to 255) at the centre, cool
// through orange and red and are gone before the end of their sequence.
TEST(Frames, PinnedFramesFromAFixedClock) {
    UsePinnedFrameBank();
    EXPECT_EQ(PinnedFrameBankDigest, FramesDigest(FrameBank));
    for (int32_t s = 0; s < SequenceCount; ++s) {
        const DibImage& first = FrameBank[s * FramesPerSequence];
        EXPECT_EQ((Rgb{255, 255, 63}), PixelAt(first, 94, 94)) << "sequence " << s;
        for (int32_t k = 0; k < FramesPerSequence; ++k) {
            const DibImage& frame = FrameBank[s * FramesPerSequence + k];
            for (int32_t i = 0; i < FrameSize; ++i) {
                ASSERT_EQ((Rgb{0, 0, 0}), PixelAt(frame, 192, i)) << s << "/" << k;
                ASSERT_EQ((Rgb{0, 0, 0}), PixelAt(frame, i, 192)) << s << "/" << k;
            }
        }
    }
}

// The same clock gives the same frames; another clock other frames.
TEST(Frames, ReproducedFromTheSameClock) {
    UsePinnedFrameBank();
    const uint64_t pinned = FramesDigest(FrameBank);
    ForgetFrameBank();
    InstallSteppingClock(PinnedClockStart + 1, PinnedClockStep);
    BuildExplosionFrames();
    EXPECT_NE(pinned, FramesDigest(FrameBank));
    InstallSteppingClock(PinnedClockStart, PinnedClockStep);
    SeedRandom(ReadMillisecondClock());
    BuildExplosionFrames();
    EXPECT_EQ(pinned, FramesDigest(FrameBank));
}

}  // namespace
