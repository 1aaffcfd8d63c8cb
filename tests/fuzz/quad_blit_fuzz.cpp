// MapQuad and MapSpan on arbitrary quads, spans and images against the literal reference, byte
// for byte. Coordinates are either near the images or anywhere in 32 bits, where the products
// leave 32 bits and both sides must give the exact quotient truncated toward zero.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "image/dib_image.h"
#include "image/quad_blit.h"
#include "reference_blit.h"

namespace {

constexpr int32_t Depths[] = {24, 24, 24, 24, 1, 8, 16, 48, 0, 25};

int32_t Coordinate(FuzzedDataProvider& in) {
    switch (in.ConsumeIntegralInRange<int>(0, 3)) {
        case 0:
            return in.ConsumeIntegralInRange<int32_t>(-8, 72);
        case 1:
            return in.ConsumeIntegralInRange<int32_t>(-70000, 70000);
        case 2:
            return in.PickValueInArray({INT32_MIN, INT32_MIN + 1, -1, 0, INT32_MAX - 1, INT32_MAX});
        default:
            return in.ConsumeIntegral<int32_t>();
    }
}

// Two images alike in size, depth and bytes, from the input.
void MakeTwins(FuzzedDataProvider& in, DibImage& a, DibImage& b, int32_t maxSide) {
    const int32_t width = in.ConsumeIntegralInRange<int32_t>(-1, maxSide);
    const int32_t height = in.ConsumeIntegralInRange<int32_t>(-1, maxSide);
    const int32_t depth = in.PickValueInArray(Depths);
    if (a.Create(width, height, depth) != b.Create(width, height, depth) ||
        a.GetBits() == nullptr) {
        return;
    }
    const size_t size = static_cast<size_t>(a.GetStride()) * static_cast<size_t>(a.GetHeight());
    // Mostly dark pixels with some bright ones, so that saturation and black skips both happen.
    const uint8_t shift = in.ConsumeIntegralInRange<uint8_t>(0, 7);
    for (size_t i = 0; i < size; ++i) {
        a.GetBits()[i] = static_cast<uint8_t>(in.ConsumeIntegral<uint8_t>() >> shift);
    }
    std::memcpy(b.GetBits(), a.GetBits(), size);
}

bool SameBytes(const DibImage& a, const DibImage& b) {
    if (a.GetBits() == nullptr || b.GetBits() == nullptr) {
        return a.GetBits() == b.GetBits();
    }
    const size_t size = static_cast<size_t>(a.GetStride()) * static_cast<size_t>(a.GetHeight());
    return std::memcmp(a.GetBits(), b.GetBits(), size) == 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    DibImage destination, expected, source, sourceTwin;
    MakeTwins(in, destination, expected, 64);
    MakeTwins(in, source, sourceTwin, 48);

    const int rounds = in.ConsumeIntegralInRange<int>(1, 4);
    for (int round = 0; round < rounds; ++round) {
        if (in.ConsumeBool()) {
            Quad to, from;
            for (int k = 0; k < 4; ++k) {
                to.p[k] = {Coordinate(in), Coordinate(in)};
                from.p[k] = {Coordinate(in), Coordinate(in)};
            }
            MapQuad(destination, to, source, from);
            ReferenceMapQuad(expected, to, sourceTwin, from);
        } else {
            const int32_t x0 = Coordinate(in), x1 = Coordinate(in), y = Coordinate(in);
            const int32_t sx0 = Coordinate(in), sy0 = Coordinate(in);
            const int32_t sx1 = Coordinate(in), sy1 = Coordinate(in);
            MapSpan(destination, x0, x1, y, source, sx0, sy0, sx1, sy1);
            ReferenceMapSpan(expected, x0, x1, y, sourceTwin, sx0, sy0, sx1, sy1);
        }
        if (!SameBytes(destination, expected) || !SameBytes(source, sourceTwin)) {
            std::abort();
        }
    }
    return 0;
}
