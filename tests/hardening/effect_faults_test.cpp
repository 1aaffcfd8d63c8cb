// The effect when its stores cannot be had, and proof that a tick allocates nothing. This
// program replaces the global allocation functions: each counts, and the array form the image
// store uses can be told to fail chosen calls.
#include <gtest/gtest.h>

#include <cstdlib>
#include <new>
#include <set>
#include <vector>

#include "effect_test_support.h"

namespace {

int64_t allocations = 0;
// Calls of the nothrow array form for stores of exactly this size are numbered from 0; those
// numbered in failingCalls get null.
size_t watchedSize = 0;
int64_t watchedCalls = 0;
std::set<int64_t> failingCalls;
// Anything larger is refused as if memory were exhausted.
size_t largestStore = size_t{1} << 30;

// Out of line, so that the compiler does not pair a new expression with the free below.
[[gnu::noinline]] void* Allocate(size_t size) {
    ++allocations;
    return std::malloc(size == 0 ? 1 : size);
}

[[gnu::noinline]] void Release(void* p) {
    std::free(p);
}

}  // namespace

void* operator new(size_t size) {
    void* p = Allocate(size);
    if (p == nullptr) {
        throw std::bad_alloc();
    }
    return p;
}
void* operator new[](size_t size) {
    return operator new(size);
}
void* operator new(size_t size, const std::nothrow_t&) noexcept {
    return Allocate(size);
}
void* operator new[](size_t size, const std::nothrow_t&) noexcept {
    if (size == watchedSize && failingCalls.count(watchedCalls++) != 0) {
        ++allocations;
        return nullptr;
    }
    if (size > largestStore) {
        ++allocations;
        return nullptr;
    }
    return Allocate(size);
}
void operator delete(void* p) noexcept {
    Release(p);
}
void operator delete[](void* p) noexcept {
    Release(p);
}
void operator delete(void* p, size_t) noexcept {
    Release(p);
}
void operator delete[](void* p, size_t) noexcept {
    Release(p);
}

namespace {

constexpr size_t FrameStoreSize = 580 * FrameSize;

std::vector<uint64_t> FrameDigests() {
    std::vector<uint64_t> digests;
    for (const DibImage& frame : FrameBank) {
        digests.push_back(StoreDigest(frame));
    }
    return digests;
}

bool BufferIsBlack() {
    for (int32_t y = 0; y < ScreenBuffer.GetHeight(); ++y) {
        const uint8_t* row = ScreenBuffer.GetLine(y);
        for (int32_t x = 0; x < ScreenBuffer.GetWidth() * 3; ++x) {
            if (row[x] != 0) {
                return false;
            }
        }
    }
    return true;
}

class EffectFaults : public testing::Test {
protected:
    void TearDown() override {
        watchedSize = 0;
        failingCalls.clear();
        ScreenBuffer.Destroy();
        ForgetFrameBank();
    }
};

TEST_F(EffectFaults, ATickAllocatesNothingOverThousandsOfTicks) {
    StartEffectFromClock(160, 120, PinnedClockStart, PinnedClockStep);
    // The counter sees the store allocations made in the core.
    int64_t before = allocations;
    DibImage probe;
    ASSERT_EQ(probe.Create(4, 4, 24), 1);
    ASSERT_EQ(allocations, before + 1);

    int64_t respawns = 0;
    before = allocations;
    for (int tick = 0; tick < 3000; ++tick) {
        const int32_t sequence = Blasts.sequence[tick % BlastCount];
        ComposeTick();
        respawns += Blasts.sequence[tick % BlastCount] != sequence;
    }
    EXPECT_EQ(allocations, before);
    EXPECT_GT(respawns, 0) << "the ticks went through respawns too";
    EXPECT_FALSE(BufferIsBlack());
}

TEST_F(EffectFaults, FramesWhoseCreateFailsStayEmptyAndTheRestComeOutUnchanged) {
    StartEffectFromClock(64, 64, PinnedClockStart, PinnedClockStep);
    const std::vector<uint64_t> expected = FrameDigests();
    ASSERT_EQ(FramesDigest(FrameBank), PinnedFrameBankDigest);

    // The first and last of a sequence, one in the middle, the very last frame.
    const std::set<int32_t> failed = {0, 29, 30, 151, 299};
    watchedSize = FrameStoreSize;
    watchedCalls = 0;
    failingCalls.insert(failed.begin(), failed.end());
    StartEffectFromClock(64, 64, PinnedClockStart, PinnedClockStep);
    EXPECT_EQ(watchedCalls, FrameBankSize) << "one store per frame, in order";
    watchedSize = 0;

    const std::vector<uint64_t> got = FrameDigests();
    for (int32_t i = 0; i < FrameBankSize; ++i) {
        if (failed.count(i) != 0) {
            EXPECT_EQ(FrameBank[i].GetBits(), nullptr) << "frame " << i;
            EXPECT_EQ(FrameBank[i].GetWidth(), 0) << "frame " << i;
        } else {
            EXPECT_EQ(got[i], expected[i]) << "frame " << i;
        }
    }

    // Every blast playing the empty frame 0 draws nothing.
    for (int32_t slot = 0; slot < BlastCount; ++slot) {
        Blasts.x[slot] = 32;
        Blasts.y[slot] = 32;
        Blasts.scale[slot] = 0.5;
        Blasts.sequence[slot] = 0;
        Blasts.frameCounter[slot] = 0;
    }
    ComposeTick();
    EXPECT_TRUE(BufferIsBlack());
    EXPECT_EQ(Blasts.frameCounter[0], 1);
}

struct BufferCase {
    const char* name;
    int16_t width;
    int16_t height;
};

void PrintTo(const BufferCase& c, std::ostream* os) {
    *os << c.width << "x" << c.height;
}

class ScreenBufferFaults : public EffectFaults, public testing::WithParamInterface<BufferCase> {};

TEST_P(ScreenBufferFaults, NoBufferDrawsNothingAndTheTicksCarryOn) {
    const BufferCase& c = GetParam();
    StartEffectFromClock(c.width, c.height, PinnedClockStart, PinnedClockStep);
    EXPECT_EQ(ScreenBuffer.GetBits(), nullptr);
    EXPECT_EQ(ScreenBuffer.GetWidth(), 0);
    EXPECT_EQ(FramesDigest(FrameBank), PinnedFrameBankDigest) << "the frames are built anyway";

    int64_t advanced = 0;
    for (int tick = 0; tick < 300; ++tick) {
        const int32_t counter = Blasts.frameCounter[0];
        ComposeTick();
        advanced += Blasts.frameCounter[0] != counter;
    }
    EXPECT_EQ(advanced, 300);
    EXPECT_EQ(ScreenBuffer.GetBits(), nullptr);
}

INSTANTIATE_TEST_SUITE_P(Sizes, ScreenBufferFaults,
                         testing::Values(BufferCase{"ZeroWide", 0, 480},
                                         BufferCase{"ZeroHigh", 640, 0},
                                         BufferCase{"Negative", -1, -1},
                                         BufferCase{"MostNegative", INT16_MIN, INT16_MIN},
                                         // 3 GB: more than this program lets the store have.
                                         BufferCase{"Largest", INT16_MAX, INT16_MAX}),
                         [](const testing::TestParamInfo<BufferCase>& info) {
                             return std::string(info.param.name);
                         });

}  // namespace
