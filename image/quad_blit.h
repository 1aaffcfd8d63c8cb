// The textured quad blit: a region of one 24-bit image, bounded by a source quad, drawn onto a
// quad of another image with saturating additive blending. Corner k of the destination quad
// receives corner k of the source quad; source coordinates are interpolated linearly in integer
// arithmetic, first down the destination's edges and then along each row.
#pragma once

#include <cstdint>

#include "image/dib_image.h"

struct QuadPoint {
    int32_t x;
    int32_t y;
};

// Four corners; the edges run P0->P1, P1->P2, P2->P3, P3->P0, and that order breaks ties.
struct Quad {
    QuadPoint p[4];
};

// Fills each destination row between its outermost edge crossings, clipped to the destination.
// Changes the destination only by adding non-black samples; reads the source only inside it.
void MapQuad(DibImage& destination, const Quad& destinationQuad, const DibImage& source,
             const Quad& sourceQuad);

// Draws row y from column x0 to x1 (either order), sampling the source at (sx0, sy0) for x0,
// (sx1, sy1) for x1 and linearly between them.
void MapSpan(DibImage& destination, int32_t x0, int32_t x1, int32_t y, const DibImage& source,
             int32_t sx0, int32_t sy0, int32_t sx1, int32_t sy1);
