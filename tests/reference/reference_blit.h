// The textured quad blit, written literally: step by step as the algorithms read,
// pixel by pixel through GetPixel and AddPixel, one division per value. It is the yardstick the
// production MapQuad and MapSpan (image/quad_blit.h) are tested and benchmarked against.
//
// Overflow: the algorithms form their products in 32-bit signed arithmetic, which is undefined
// where one leaves that range. Here (and in production) every formula is evaluated
// exactly: differences and products in 64 bits (the two products that can reach 2^64 - 2^33 + 1
// as unsigned magnitudes), each quotient truncated toward zero. Every result interpolates between
// two 32-bit values, so it fits 32 bits again without wrapping, and it equals the 32-bit result
// wherever that one is defined.
#pragma once

#include <cstdint>

#include "image/dib_image.h"
#include "image/quad_blit.h"

// What the literal blit did, for tests that check "reads nothing" and the like.
struct ReferenceBlitCounts {
    int64_t reads = 0;  // GetPixel calls on the source
    int64_t adds = 0;   // AddPixel calls on the destination
    int64_t spans = 0;  // ReferenceMapSpan calls made by ReferenceMapQuad
};

void ReferenceMapQuad(DibImage& destination, const Quad& destinationQuad, const DibImage& source,
                      const Quad& sourceQuad, ReferenceBlitCounts* counts = nullptr);

void ReferenceMapSpan(DibImage& destination, int32_t x0, int32_t x1, int32_t y,
                      const DibImage& source, int32_t sx0, int32_t sy0, int32_t sx1, int32_t sy1,
                      ReferenceBlitCounts* counts = nullptr);

// trunc(a * b / c) formed exactly, for |a|, |b| below 2^32 and c not 0: the product's magnitude
// fits 64 unsigned bits. Exposed for the tests.
int64_t ReferenceProductQuotient(int64_t a, int64_t b, int64_t c);
