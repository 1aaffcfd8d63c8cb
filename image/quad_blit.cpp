#include "image/quad_blit.h"

// Straightforward version: the algorithms of Part 3.2 as written, through GetPixel and AddPixel.
// Every formula is evaluated exactly (64-bit differences and products, quotients truncated
// toward zero); each result lies between two 32-bit values and so fits 32 bits.

namespace {

// trunc(a * b / c) for |a|, |b| below 2^32, c not 0: the product's magnitude fits 64 bits.
int64_t ProductQuotient(int64_t a, int64_t b, int64_t c) {
    const bool negative = ((a < 0) ^ (b < 0) ^ (c < 0)) != 0;
    const uint64_t ua = a < 0 ? 0 - static_cast<uint64_t>(a) : static_cast<uint64_t>(a);
    const uint64_t ub = b < 0 ? 0 - static_cast<uint64_t>(b) : static_cast<uint64_t>(b);
    const uint64_t uc = c < 0 ? 0 - static_cast<uint64_t>(c) : static_cast<uint64_t>(c);
    const uint64_t q = ua * ub / uc;
    return negative ? -static_cast<int64_t>(q) : static_cast<int64_t>(q);
}

int64_t Abs64(int64_t v) { return v < 0 ? -v : v; }

}  // namespace

void MapSpan(DibImage& destination, int32_t x0, int32_t x1, int32_t y, const DibImage& source,
             int32_t sx0, int32_t sy0, int32_t sx1, int32_t sy1) {
    const int32_t W = destination.GetWidth();
    const int32_t H = destination.GetHeight();
    if (y < 0 || y >= H) {
        return;
    }
    int32_t lo = x0 < x1 ? x0 : x1;
    int32_t hi = x0 < x1 ? x1 : x0;
    if (hi < 0 || lo >= W) {
        return;
    }
    if (lo < 0) {
        lo = 0;
    }
    if (hi > W - 1) {
        hi = W - 1;
    }
    if (x0 == x1) {
        int32_t r = 0, g = 0, b = 0;
        if (source.GetPixel(sx0, sy0, &r, &g, &b) != 0 && (r | g | b) != 0) {
            destination.AddPixel(x0, y, r, g, b);
        }
        return;
    }
    const int64_t n = static_cast<int64_t>(x1) - x0;
    const int64_t dsx = static_cast<int64_t>(sx1) - sx0;
    const int64_t dsy = static_cast<int64_t>(sy1) - sy0;
    int32_t lastX = -1000000, lastY = -1000000;
    int32_t r = 0, g = 0, b = 0;
    for (int32_t x = lo; x <= hi; ++x) {
        const int64_t k = static_cast<int64_t>(x) - x0;
        const int32_t sx = static_cast<int32_t>(sx0 + ProductQuotient(k, dsx, n));
        const int32_t sy = static_cast<int32_t>(sy0 + ProductQuotient(k, dsy, n));
        if (sx != lastX || sy != lastY) {
            if (source.GetPixel(sx, sy, &r, &g, &b) == 0) {
                r = g = b = 0;
            }
            lastX = sx;
            lastY = sy;
        }
        if (r >= 1 || g >= 1 || b >= 1) {
            destination.AddPixel(x, y, r, g, b);
        }
    }
}

void MapQuad(DibImage& destination, const Quad& destinationQuad, const DibImage& source,
             const Quad& sourceQuad) {
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
    const int32_t firstRow = minY > 0 ? minY : 0;
    const int32_t lastRow = maxY < H - 1 ? maxY : H - 1;
    for (int32_t y = firstRow; y <= lastRow; ++y) {
        int32_t left = 2147483647;
        int32_t right = -2147483647;
        int32_t lsx = 0, lsy = 0, rsx = 0, rsy = 0;
        for (int e = 0; e < 4; ++e) {
            const int i = e;
            const int j = (e + 1) & 3;
            const int64_t xi = d[i].x, yi = d[i].y, xj = d[j].x, yj = d[j].y;
            if (yi == yj) {
                continue;
            }
            const int64_t ti = y - yi;
            const int64_t tj = y - yj;
            if ((ti > 0 && tj > 0) || (ti < 0 && tj < 0)) {
                continue;
            }
            const int32_t xc = static_cast<int32_t>(xi + ProductQuotient(xj - xi, ti, yj - yi));
            const int64_t wi = Abs64(tj);
            const int64_t wj = Abs64(ti);
            const int64_t n = wi + wj;
            const int32_t sx = static_cast<int32_t>((s[i].x * wi + s[j].x * wj) / n);
            const int32_t sy = static_cast<int32_t>((s[i].y * wi + s[j].y * wj) / n);
            if (xc < left) {
                left = xc;
                lsx = sx;
                lsy = sy;
            }
            if (xc > right) {
                right = xc;
                rsx = sx;
                rsy = sy;
            }
        }
        if (left <= right) {
            MapSpan(destination, left, right, y, source, lsx, lsy, rsx, rsy);
        }
    }
}
