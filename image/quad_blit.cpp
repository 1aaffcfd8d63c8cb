#include "image/quad_blit.h"

#include <cstddef>

#include "image/blit_simd.h"
#include "image/exact_stepper.h"
#include "image/span_cache.h"

// Production blit: the dispatch. It gives the same bytes as the literal blit of
// tests/reference/reference_blit.cpp, but:
//  - edges and spans carry their interpolations as exact quotient/remainder steppers
//    (exact_stepper.h) instead of dividing per row and per pixel;
//  - rows are addressed directly, and a span whose source row is constant is drawn from the lit
//    runs of that source row only, expanded once and added with saturating byte adds
//    (span_cache.h, blit_simd.h); following destination rows with the same span parameters and
//    source row add the same runs again. Lit extents handed in by the caller replace the scan
//    for lit runs.
// Arithmetic: every formula is evaluated exactly (64-bit differences and products, quotients
// truncated toward zero), as in the reference. Each result lies between two 32-bit values, so it
// fits 32 bits; wherever plain 32-bit products would not overflow, this is their result.
// A blit of an image onto itself reads every pixel when the literal blit reads it, after the adds
// before it, and keeps the remembered sample as MapSpan does (its remembered colour becomes
// visible there): it takes the per-pixel path and caches nothing. A source or destination that is
// not 24 bits deep or has no store returns at once: every GetPixel or AddPixel would fail.
// The vector adds may run up to 15 bytes past a run, adding 0: those bytes are rewritten with
// their own value, and only inside the destination's store.

namespace {

using blit::AddByte;
using blit::SpanContext;

int64_t Abs64(int64_t v) {
    return v < 0 ? -v : v;
}

constexpr ColumnSpan Nowhere{1, 0};

// The colour of source point (sx, sy) into b, g, r: black outside the source.
inline void ReadSample(const SpanContext& c, int32_t sx, int32_t sy, uint8_t* bgr) {
    if (sx < 0 || sx >= c.sw || sy < 0 || sy >= c.sh) {
        bgr[0] = bgr[1] = bgr[2] = 0;
        return;
    }
    const uint8_t* p = c.SrcRow(sy) + 3 * static_cast<ptrdiff_t>(sx);
    bgr[0] = p[0];
    bgr[1] = p[1];
    bgr[2] = p[2];
}

inline void AddColour(uint8_t* d, const uint8_t* bgr) {
    if ((bgr[0] | bgr[1] | bgr[2]) == 0) {
        return;
    }
    d[0] = AddByte(d[0], bgr[0]);
    d[1] = AddByte(d[1], bgr[1]);
    d[2] = AddByte(d[2], bgr[2]);
}

// One span, as MapSpan draws it. Returns the columns it may have changed.
ColumnSpan DrawSpan(SpanContext& c, int32_t x0, int32_t x1, int32_t y, int32_t sx0, int32_t sy0,
                    int32_t sx1, int32_t sy1) {
    if (y < 0 || y >= c.H) {
        return Nowhere;
    }
    int32_t lo = x0 < x1 ? x0 : x1;
    int32_t hi = x0 < x1 ? x1 : x0;
    if (hi < 0 || lo >= c.W) {
        return Nowhere;
    }
    lo = lo < 0 ? 0 : lo;
    hi = hi > c.W - 1 ? c.W - 1 : hi;
    uint8_t* dstRow = c.DstRow(y);
    if (x0 == x1) {
        uint8_t bgr[3];
        ReadSample(c, sx0, sy0, bgr);
        AddColour(dstRow + 3 * static_cast<ptrdiff_t>(x0), bgr);
        return ColumnSpan{x0, x0};
    }
    const int32_t cnt = hi - lo + 1;
    if (sy0 == sy1 && cnt <= blit::MaxSpan && !c.self) {
        // Constant source row.
        if (sy0 < 0 || sy0 >= c.sh) {
            return Nowhere;
        }
        if (!c.mapValid || c.mx0 != x0 || c.mx1 != x1 || c.msx0 != sx0 || c.msx1 != sx1) {
            c.BuildMap(x0, x1, sx0, sx1, lo, cnt);
        }
        if (!c.rowValid || c.rowSy != sy0) {
            c.BuildRow(sy0);
        }
        uint8_t* d = dstRow + 3 * static_cast<ptrdiff_t>(lo);
        int32_t first = cnt, end = 0;
        for (int32_t k = 0; k < c.runCount; ++k) {
            const blit::Run& run = c.runs[k];
            blit::AddRun(d + 3 * run.start, c.buffer + 3 * run.start, 3 * (run.end - run.start),
                         c.dstEnd);
            first = run.start < first ? run.start : first;
            end = run.end > end ? run.end : end;
        }
        if (first < end && y + blit::PrefetchDrawnRows < c.H) {
            // The rows below draw near the same columns: ask for them before they are added to.
            const uint8_t* ahead =
                c.DstRow(y + blit::PrefetchDrawnRows) + 3 * static_cast<ptrdiff_t>(lo);
            for (const uint8_t* p = ahead + 3 * first; p < ahead + 3 * end; p += 64) {
                __builtin_prefetch(p, 1);
            }
        }
        return first < end ? ColumnSpan{lo + first, lo + end - 1} : Nowhere;
    }
    // General span: both coordinates stepped exactly, pixel by pixel, each distinct sample read
    // once, when the literal span reads it.
    const int64_t n = static_cast<int64_t>(x1) - x0;
    const int64_t an = Abs64(n);
    const int64_t u = Abs64(static_cast<int64_t>(lo) - x0);
    ExactStepper sx, sy;
    sx.Init(static_cast<int64_t>(sx1) - sx0, an, u);
    sy.Init(static_cast<int64_t>(sy1) - sy0, an, u);
    int32_t lastX = -1000000, lastY = -1000000;
    uint8_t bgr[3] = {0, 0, 0};
    uint8_t* d = dstRow + 3 * static_cast<ptrdiff_t>(lo);
    for (int32_t x = lo; x <= hi; ++x, d += 3) {
        const int32_t px = static_cast<int32_t>(sx0 + sx.Quotient());
        const int32_t py = static_cast<int32_t>(sy0 + sy.Quotient());
        if (px != lastX || py != lastY) {
            ReadSample(c, px, py, bgr);
            lastX = px;
            lastY = py;
        }
        AddColour(d, bgr);
        if (x == hi) {
            break;
        }
        if (n > 0) {
            sx.Up();
            sy.Up();
        } else {
            sx.Down();
            sy.Down();
        }
    }
    return ColumnSpan{lo, hi};
}

bool Drawable(const DibImage& image) {
    return image.GetBitsPerPixel() == 24 && image.GetBits() != nullptr;
}

// One edge of the destination quad, stepped row by row: its crossing column and its sample.
struct Edge {
    int32_t firstRow, lastRow;  // rows it contributes to, within the drawn rows
    bool down;                  // u = |y - yi| grows with y
    int32_t xi, sxi, syi;
    ExactStepper x, sx, sy;

    // Steppers whose value never changes (a vertical edge, a source column or row that stays)
    // are left alone.
    bool xMoves, sxMoves, syMoves;

    void Step() {
        if (down) {
            if (xMoves)
                x.Up();
            if (sxMoves)
                sx.Up();
            if (syMoves)
                sy.Up();
        } else {
            if (xMoves)
                x.Down();
            if (sxMoves)
                sx.Down();
            if (syMoves)
                sy.Down();
        }
    }
};

// Where the rows of one call are recorded, if anywhere.
struct RowRecord {
    DrawnRows* drawn;
    int32_t firstRow;
    void Set(int32_t y, ColumnSpan span) const {
        if (drawn != nullptr) {
            drawn->spans[y - firstRow] = span;
        }
    }
};

}  // namespace

void MapSpan(DibImage& destination, int32_t x0, int32_t x1, int32_t y, const DibImage& source,
             int32_t sx0, int32_t sy0, int32_t sx1, int32_t sy1) {
    if (!Drawable(destination) || !Drawable(source)) {
        return;  // every AddPixel or every GetPixel would fail
    }
    SpanContext c;
    c.Bind(destination, source, nullptr);
    DrawSpan(c, x0, x1, y, sx0, sy0, sx1, sy1);
}

void MapQuad(DibImage& destination, const Quad& destinationQuad, const DibImage& source,
             const Quad& sourceQuad) {
    MapQuad(destination, destinationQuad, source, sourceQuad, nullptr, nullptr);
}

void MapQuad(DibImage& destination, const Quad& destinationQuad, const DibImage& source,
             const Quad& sourceQuad, const LitExtent* sourceExtents, DrawnRows* drawn) {
    if (drawn != nullptr) {
        drawn->firstRow = 0;
        drawn->rowCount = 0;
    }
    const int32_t W = destination.GetWidth();
    const int32_t H = destination.GetHeight();
    const QuadPoint* d = destinationQuad.p;
    const QuadPoint* s = sourceQuad.p;
    int32_t minX = d[0].x, maxX = d[0].x, minY = d[0].y, maxY = d[0].y;
    for (int k = 1; k < 4; ++k) {
        minX = d[k].x < minX ? d[k].x : minX;
        maxX = d[k].x > maxX ? d[k].x : maxX;
        minY = d[k].y < minY ? d[k].y : minY;
        maxY = d[k].y > maxY ? d[k].y : maxY;
    }
    if (minY >= H || maxY < 0 || minX >= W || maxX < 0) {
        return;
    }
    if (!Drawable(destination) || !Drawable(source)) {
        return;
    }
    const int32_t firstRow = minY > 0 ? minY : 0;
    const int32_t lastRow = maxY < H - 1 ? maxY : H - 1;
    RowRecord record{nullptr, firstRow};
    if (drawn != nullptr) {
        drawn->firstRow = firstRow;
        if (static_cast<int64_t>(lastRow) - firstRow + 1 <= drawn->capacity) {
            drawn->rowCount = lastRow - firstRow + 1;
            record.drawn = drawn;
        } else {
            drawn->rowCount = -1;
        }
    }

    SpanContext c;
    c.Bind(destination, source, sourceExtents);

    // An axis-aligned rectangle onto an axis-aligned source rectangle, corners in the same order
    // (the compositor's squares, mirrored left to right or not). P0->P1 and P2->P3 are
    // horizontal; P1->P2 contributes first, at column x1 with source column S1.x, then P3->P0 at
    // column x0 with S0.x, which takes the left end if x0 < x1 and the right end if x0 > x1.
    // Both edges give source row trunc((S0.y * (yB - y) + S3.y * (y - yT)) / n), as
    // S0.y = S1.y and S3.y = S2.y: one stepper instead of twelve.
    if (d[0].y == d[1].y && d[2].y == d[3].y && d[0].y < d[2].y && d[0].x == d[3].x &&
        d[1].x == d[2].x && d[0].x != d[1].x && s[0].y == s[1].y && s[2].y == s[3].y &&
        s[0].x == s[3].x && s[1].x == s[2].x) {
        const bool rightward = d[0].x < d[1].x;
        const int32_t left = rightward ? d[0].x : d[1].x;
        const int32_t right = rightward ? d[1].x : d[0].x;
        const int32_t lsx = rightward ? s[0].x : s[1].x;
        const int32_t rsx = rightward ? s[1].x : s[0].x;
        const int64_t n = static_cast<int64_t>(d[2].y) - d[0].y;
        ExactStepper sy;
        sy.Init(static_cast<int64_t>(s[3].y) - s[0].y, n, static_cast<int64_t>(firstRow) - d[0].y);
        // Rows whose source row is known to be black draw nothing: they are stepped over.
        const LitExtent* lit = c.extents;
        for (int32_t y = firstRow; y <= lastRow; ++y) {
            const int32_t row = sy.Trunc(s[0].y);
            if (lit != nullptr && row >= 0 && row < c.sh && lit[row].first > lit[row].last) {
                record.Set(y, Nowhere);
            } else {
                record.Set(y, DrawSpan(c, left, right, y, lsx, row, rsx, row));
            }
            sy.Up();
        }
        return;
    }

    Edge edges[4];
    for (int e = 0; e < 4; ++e) {
        const int i = e;
        const int j = (e + 1) & 3;
        Edge& edge = edges[e];
        const int32_t yi = d[i].y, yj = d[j].y;
        const int32_t top = yi < yj ? yi : yj;
        const int32_t bottom = yi < yj ? yj : yi;
        edge.firstRow = top > firstRow ? top : firstRow;
        edge.lastRow = bottom < lastRow ? bottom : lastRow;
        if (yi == yj) {
            edge.firstRow = 1;  // horizontal: never contributes
            edge.lastRow = 0;
            continue;
        }
        if (edge.firstRow > edge.lastRow) {
            continue;
        }
        edge.down = yj > yi;
        edge.xi = d[i].x;
        edge.sxi = s[i].x;
        edge.syi = s[i].y;
        const int64_t n = Abs64(static_cast<int64_t>(yj) - yi);
        const int64_t u = Abs64(static_cast<int64_t>(edge.firstRow) - yi);
        edge.x.Init(static_cast<int64_t>(d[j].x) - d[i].x, n, u);
        edge.sx.Init(static_cast<int64_t>(s[j].x) - s[i].x, n, u);
        edge.sy.Init(static_cast<int64_t>(s[j].y) - s[i].y, n, u);
        edge.xMoves = d[j].x != d[i].x;
        edge.sxMoves = s[j].x != s[i].x;
        edge.syMoves = s[j].y != s[i].y;
    }

    for (int32_t y = firstRow; y <= lastRow; ++y) {
        int32_t left = 2147483647;
        int32_t right = -2147483647;
        int32_t lsx = 0, lsy = 0, rsx = 0, rsy = 0;
        for (int e = 0; e < 4; ++e) {
            Edge& edge = edges[e];
            if (y < edge.firstRow || y > edge.lastRow) {
                continue;
            }
            const int32_t xc = static_cast<int32_t>(edge.xi + edge.x.Quotient());
            if (xc < left) {
                left = xc;
                lsx = edge.sx.Trunc(edge.sxi);
                lsy = edge.sy.Trunc(edge.syi);
            }
            if (xc > right) {
                right = xc;
                rsx = edge.sx.Trunc(edge.sxi);
                rsy = edge.sy.Trunc(edge.syi);
            }
            if (y < edge.lastRow) {
                edge.Step();
            }
        }
        record.Set(y, left <= right ? DrawSpan(c, left, right, y, lsx, lsy, rsx, rsy) : Nowhere);
    }
}

int32_t MeasureLitExtents(const DibImage& image, LitExtent* rows) {
    if (!Drawable(image) || image.GetWidth() > 32767) {
        return 0;
    }
    const int32_t w = image.GetWidth();
    for (int32_t y = 0; y < image.GetHeight(); ++y) {
        int32_t first = w, last = -1;
        blit::ScanLitRuns(image.GetLine(y), 0, w - 1, [&](int32_t a, int32_t b) {
            first = a < first ? a : first;
            last = b;
        });
        rows[y] = first <= last ? LitExtent{static_cast<int16_t>(first), static_cast<int16_t>(last)}
                                : LitExtent{1, 0};
    }
    return 1;
}
