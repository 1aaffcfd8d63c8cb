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

// Where one row of a source is lit: its first and last pixel that is not black; first > last
// for a black row.
struct LitExtent {
    int16_t first;
    int16_t last;
};

// Where a MapQuad call may have changed its destination, row by row: row firstRow + i in
// columns spans[i].first .. spans[i].last (first > last: nowhere). A call gives rowCount = -1
// when its rows do not fit the capacity; outside the rows it names it changes nothing.
struct ColumnSpan {
    int32_t first;
    int32_t last;
};
struct DrawnRows {
    int32_t firstRow;
    int32_t rowCount;
    int32_t capacity;
    ColumnSpan* spans;
};

// Fills each destination row between its outermost edge crossings, clipped to the destination.
// Changes the destination only by adding non-black samples; reads the source only inside it.
// The blit keeps the column maps of its recent calls for the next ones, so it is for one thread
// at a time (the saver and the hack draw from one).
void MapQuad(DibImage& destination, const Quad& destinationQuad, const DibImage& source,
             const Quad& sourceQuad);

// The same drawing, aided and reported: sourceExtents (null, or one per source row, as
// MeasureLitExtents gives them) spares looking for the lit pixels of each sampled row, and
// drawn (null, or a record to fill) receives where the call drew.
void MapQuad(DibImage& destination, const Quad& destinationQuad, const DibImage& source,
             const Quad& sourceQuad, const LitExtent* sourceExtents, DrawnRows* drawn);

// Draws row y from column x0 to x1 (either order), sampling the source at (sx0, sy0) for x0,
// (sx1, sy1) for x1 and linearly between them.
void MapSpan(DibImage& destination, int32_t x0, int32_t x1, int32_t y, const DibImage& source,
             int32_t sx0, int32_t sy0, int32_t sx1, int32_t sy1);

// The lit extent of every row of a 24-bit image into rows[0 .. height - 1]. Returns 0, and
// writes nothing, for an image that is empty, of another depth or wider than an extent holds.
int32_t MeasureLitExtents(const DibImage& image, LitExtent* rows);
