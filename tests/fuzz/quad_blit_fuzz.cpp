// MapQuad and MapSpan on arbitrary quads, spans and images against the literal reference, byte
// for byte: plainly, with the source's lit extents and a record of the rows, and of the
// destination onto itself. Coordinates are either near the images or anywhere in 32 bits, where the
// products leave 32 bits and both sides must give the exact quotient truncated toward zero.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

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

// Whether every byte of destination that differs from before lies in a pixel that drawn names.
bool ChangedOnlyWhereRecorded(const DibImage& destination, const std::vector<uint8_t>& before,
                              const DrawnRows& drawn) {
    if (destination.GetBits() == nullptr || destination.GetBitsPerPixel() != 24) {
        return true;
    }
    for (int32_t y = 0; y < destination.GetHeight(); ++y) {
        const uint8_t* row = destination.GetLine(y);
        const size_t offset = static_cast<size_t>(row - destination.GetBits());
        for (int32_t x = 0; x < destination.GetWidth(); ++x) {
            if (std::memcmp(row + 3 * x, before.data() + offset + 3 * x, 3) == 0) {
                continue;
            }
            const int32_t i = y - drawn.firstRow;
            if (i < 0 || i >= drawn.rowCount || x < drawn.spans[i].first ||
                x > drawn.spans[i].last) {
                return false;
            }
        }
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    DibImage destination, expected, source, sourceTwin;
    MakeTwins(in, destination, expected, 64);
    MakeTwins(in, source, sourceTwin, 48);

    // The source's lit extents, for the rounds that hand them to MapQuad.
    LitExtent extents[48];
    const bool measured = MeasureLitExtents(source, extents) == 1;
    ColumnSpan spans[64];

    std::vector<uint8_t> before;
    if (destination.GetBits() != nullptr) {
        before.assign(destination.GetBits(),
                      destination.GetBits() + static_cast<size_t>(destination.GetStride()) *
                                                  static_cast<size_t>(destination.GetHeight()));
    }

    const int rounds = in.ConsumeIntegralInRange<int>(1, 4);
    for (int round = 0; round < rounds; ++round) {
        // Some rounds draw the destination onto itself, where the remembered colour shows.
        const bool self = in.ConsumeIntegralInRange<int>(0, 3) == 0;
        const DibImage& from = self ? destination : source;
        const DibImage& fromTwin = self ? expected : sourceTwin;
        DrawnRows drawn{0, 0, 0, spans};
        bool recorded = false;
        if (in.ConsumeBool()) {
            Quad to, fromQuad;
            for (int k = 0; k < 4; ++k) {
                to.p[k] = {Coordinate(in), Coordinate(in)};
                fromQuad.p[k] = {Coordinate(in), Coordinate(in)};
            }
            if (!self && measured && in.ConsumeBool()) {
                drawn.capacity = in.ConsumeIntegralInRange<int32_t>(0, 64);
                MapQuad(destination, to, from, fromQuad, extents, &drawn);
                recorded = drawn.rowCount >= 0;  // -1: the rows did not fit
            } else {
                MapQuad(destination, to, from, fromQuad);
            }
            ReferenceMapQuad(expected, to, fromTwin, fromQuad);
        } else {
            const int32_t x0 = Coordinate(in), x1 = Coordinate(in), y = Coordinate(in);
            const int32_t sx0 = Coordinate(in), sy0 = Coordinate(in);
            const int32_t sx1 = Coordinate(in), sy1 = Coordinate(in);
            MapSpan(destination, x0, x1, y, from, sx0, sy0, sx1, sy1);
            ReferenceMapSpan(expected, x0, x1, y, fromTwin, sx0, sy0, sx1, sy1);
        }
        if (!SameBytes(destination, expected) || !SameBytes(source, sourceTwin)) {
            std::abort();
        }
        // Everything a recorded call changed lies in its record.
        if (recorded && !ChangedOnlyWhereRecorded(destination, before, drawn)) {
            std::abort();
        }
        if (!before.empty()) {
            std::memcpy(before.data(), destination.GetBits(), before.size());
        }
    }
    return 0;
}
