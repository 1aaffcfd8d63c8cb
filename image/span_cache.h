// The span cache of the blit: one MapQuad or MapSpan call's view of its two images as rows, and
// the expansion of its last constant-source-row span. Destination rows that repeat a span's
// parameters and source row (a frame drawn larger than its size) add the same expanded runs
// again instead of resampling them.
#pragma once

#include <cstddef>
#include <cstdint>

#include "image/blit_simd.h"
#include "image/blit_ssse3.h"
#include "image/dib_image.h"
#include "image/quad_blit.h"

namespace blit {

constexpr int32_t MaxSpan = 2048;             // widest clipped span the cache takes
constexpr int32_t MaxRuns = MaxSpan / 7 + 2;  // merged runs are at least 6 pixels apart
constexpr int32_t MergeGap = 5;               // runs this close (15 bytes) become one
constexpr int32_t PrefetchRows = 8;           // source rows asked for ahead of the one expanded
constexpr int32_t PrefetchDrawnRows = 4;      // destination rows ahead whose columns are asked for
// The 16-byte vectors that an expansion of that many pixels covers.
constexpr int32_t VectorsOf(int32_t pixels) {
    return (3 * pixels + 15) / 16;
}
constexpr int32_t MaxVectors = VectorsOf(MaxSpan);

struct Run {
    int32_t start, end;  // span indices, end exclusive
};

struct SpanContext {
    uint8_t* dstTop;        // row 0 of the destination
    ptrdiff_t dstStep;      // bytes from row y to row y + 1 (negative: bottom-up)
    const uint8_t* dstEnd;  // one past the destination's store
    int32_t W, H;
    const uint8_t* srcTop;
    ptrdiff_t srcStep;
    const uint8_t* srcEnd;
    int32_t sw, sh;
    // The source is the destination: every pixel is read when the literal blit reads it, after
    // the adds before it, so nothing is cached.
    bool self;
    // Where each source row is lit, or null: then rows are scanned for their lit runs.
    const LitExtent* extents;

    // Column map of the last constant-row span: index[i] = sx at column lo + i.
    bool mapValid;
    int32_t mx0, mx1, msx0, msx1;
    int32_t lo, cnt;
    bool increasing;
    int32_t sMin, sMax;  // range of the map clipped to the source's columns; empty if sMin > sMax
    // firstAt[k]: the first index whose sample has reached source column sMin + k (rising map)
    // or sMax - k (falling map), for k = 0 .. sMax - sMin + 1. Only when hasTable.
    bool hasTable;
    // The shuffle plan of the map (blit_ssse3.h), where the processor can follow one: vector v
    // of the expansion loads 16 source bytes from byte shuffleBase[v] of the row and shuffles
    // them by kind shuffleKind[v], or is expanded pixel by pixel where the kind is negative.
    bool shuffled;
    int32_t shuffleBase[MaxVectors];
    int8_t shuffleKind[MaxVectors];

    // Expansion of source row rowSy through that map.
    bool rowValid;
    int32_t rowSy;
    int32_t runCount;
    int32_t prefetched;  // the last source row asked for ahead

    Run runs[MaxRuns];
    int32_t index[MaxSpan];
    int32_t firstAt[MaxSpan + 2];
    uint8_t buffer[3 * MaxSpan + 32];

    void Bind(DibImage& destination, const DibImage& source, const LitExtent* sourceExtents);
    uint8_t* DstRow(int32_t y) const { return dstTop + dstStep * y; }
    const uint8_t* SrcRow(int32_t y) const { return srcTop + srcStep * y; }

    // The map of span x0..x1 (sampling sx0..sx1) over its clipped columns lo_ .. lo_ + cnt_ - 1.
    void BuildMap(int32_t x0, int32_t x1, int32_t sx0, int32_t sx1, int32_t lo_, int32_t cnt_);
    // The runs and expansion of source row sy through the map.
    void BuildRow(int32_t sy);

private:
    void ComputeMap();
    void PlanShuffles();
    void EmitSourceRun(int32_t a, int32_t b, int32_t& pendingStart, int32_t& pendingEnd);
};

}  // namespace blit
