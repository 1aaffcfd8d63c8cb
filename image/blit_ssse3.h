// The blit's SSSE3 path: a constant-source-row span expanded sixteen bytes at a time by byte
// shuffles instead of pixel by pixel. SSE2 is all that every build may assume, so the path is
// chosen at run time, where the processor has SSSE3. TORVEX_BLIT_SCALAR and
// TORVEX_BLIT_NO_SSSE3 leave it out, so that the paths without it are tested on any machine.
#pragma once

#include <cstdint>

#include "image/blit_simd.h"

#if TORVEX_BLIT_SSE2 && !defined(TORVEX_BLIT_NO_SSSE3) && defined(__GNUC__) && \
    (defined(__x86_64__) || defined(__i386__))
#define TORVEX_BLIT_SSSE3 1
#else
#define TORVEX_BLIT_SSSE3 0
#endif

namespace blit {

struct SpanContext;

// A vector of the expansion covers 16 bytes, 5 1/3 pixels: vector v starts at byte 16 v, in
// pixel 16 v / 3, at byte v % 3 of that pixel (its phase), and ends in the fifth pixel after
// it. Where each of those five samples the same source pixel as the one before it or the next
// (a span drawn at its source's size or larger), the vector's bytes lie within 16 bytes of the
// source row: one load and one shuffle. Its kind names the shuffle: 32 * phase + one bit per
// pixel after the first, set where it samples the next source pixel (bit 0 for the second).
constexpr int32_t ShuffleKinds = 96;
constexpr int32_t ShuffledPixels = 6;  // the pixels a vector reads from

// Where the load of such a vector starts, in bytes past the first pixel's sample: at its
// first byte, unless the second pixel samples the same source pixel and so reads the bytes
// before it.
constexpr int32_t ShuffleLoadOffset(int32_t phase, int32_t steps) {
    return (steps & 1) != 0 ? phase : 0;
}

// Whether this build has the shuffled expansion and this processor runs it.
bool ShuffledExpansionAvailable();

// Expands span indices start .. end - 1 of the context's mapped source row into its buffer by
// the context's shuffle plan: every byte written, in those pixels and in the pixels that share
// their vectors, is the byte the pixel samples (0 for a sample outside the source).
void ExpandShuffled(SpanContext& c, const uint8_t* row, int32_t start, int32_t end);

}  // namespace blit
