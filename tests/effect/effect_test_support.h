// What the effect tests share: a digest of image stores, the creation path from a fixed clock,
// and the digests pinned from that clock.
#pragma once

#include <cstddef>
#include <cstdint>

#include "common/stepping_clock.h"
#include "effect/blasts.h"
#include "effect/clock.h"
#include "effect/explosion_frames.h"
#include "effect/random.h"
#include "image/dib_image.h"
#include "reference_effect.h"

// The clock that every pinned digest starts from: the i-th read returns start + i * step.
constexpr uint32_t PinnedClockStart = 123456;
constexpr uint32_t PinnedClockStep = 7;

// All 300 frames from the pinned clock, as the saver window's creation makes them.
constexpr uint64_t PinnedFrameBankDigest = 948808379348760325ull;
// The ScreenBuffer store (bottom-up, rows padded: the pixel array of a BMP file) after
// PinnedTicks ticks at PinnedWidth x PinnedHeight from the pinned clock.
constexpr int16_t PinnedWidth = 640;
constexpr int16_t PinnedHeight = 480;
constexpr int32_t PinnedTicks = 120;
constexpr uint64_t PinnedBufferDigest = 13048223001060520238ull;

constexpr uint64_t FnvBasis = 14695981039346656037ull;

// 64-bit FNV-1a.
inline uint64_t Fnv1a(const uint8_t* bytes, size_t count, uint64_t hash = FnvBasis) {
    for (size_t i = 0; i < count; ++i) {
        hash ^= bytes[i];
        hash *= 1099511628211ull;
    }
    return hash;
}

// The whole store as it lies in memory; an empty image adds nothing.
inline uint64_t StoreDigest(const DibImage& image, uint64_t hash = FnvBasis) {
    if (image.GetBits() == nullptr) {
        return hash;
    }
    const size_t bytes =
        static_cast<size_t>(image.GetStride()) * static_cast<size_t>(image.GetHeight());
    return Fnv1a(image.GetBits(), bytes, hash);
}

inline uint64_t FramesDigest(const DibImage* frames) {
    uint64_t hash = FnvBasis;
    for (int32_t i = 0; i < FrameBankSize; ++i) {
        hash = StoreDigest(frames[i], hash);
    }
    return hash;
}

// The window creation's order from a stepping clock: seed from the clock, create the buffer
// at ScreenWidth x ScreenHeight, build the frames, init the blasts.
inline void StartEffectFromClock(int16_t width, int16_t height, uint32_t start, uint32_t step) {
    ScreenWidth = width;
    ScreenHeight = height;
    InstallSteppingClock(start, step);
    StartEffect();
}

// Brings the FrameBank to the frames of the pinned clock, unless it holds them already (under
// an emulator one program runs every test). A test that writes frames of its own calls
// ForgetFrameBank.
void UsePinnedFrameBank();
void ForgetFrameBank();
