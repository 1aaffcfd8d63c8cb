#include "reference_blit.h"

int64_t ReferenceProductQuotient(int64_t a, int64_t b, int64_t c) {
    const bool negative = ((a < 0) ^ (b < 0) ^ (c < 0)) != 0;
    const uint64_t ua = a < 0 ? 0 - static_cast<uint64_t>(a) : static_cast<uint64_t>(a);
    const uint64_t ub = b < 0 ? 0 - static_cast<uint64_t>(b) : static_cast<uint64_t>(b);
    const uint64_t uc = c < 0 ? 0 - static_cast<uint64_t>(c) : static_cast<uint64_t>(c);
    const uint64_t q = ua * ub / uc;  // truncation toward zero of the magnitude
    if (q == 0) {
        return 0;
    }
    return negative ? -static_cast<int64_t>(q) : static_cast<int64_t>(q);
}

namespace {

// A quotient that interpolates between two 32-bit values lies between them.
int32_t Narrow(int64_t v) {
    return static_cast<int32_t>(v);
}

int64_t Abs64(int64_t v) {
    return v < 0 ? -v : v;
}

}  // namespace

void ReferenceMapSpan(DibImage& destination, int32_t x0, int32_t x1, int32_t y,
                      const DibImage& source, int32_t sx0, int32_t sy0, int32_t sx1, int32_t sy1,
                      ReferenceBlitCounts* counts) {
    const int32_t W = destination.GetWidth();
    const int32_t H = destination.GetHeight();

    // 1. Rows outside the destination.
    if (y < 0 || y >= H) {
        return;
    }
    // 2. Clip the columns.
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

    // 3. Single pixel: the start sample only.
    if (x0 == x1) {
        int32_t r = 0, g = 0, b = 0;
        if (counts != nullptr) {
            ++counts->reads;
        }
        if (source.GetPixel(sx0, sy0, &r, &g, &b) == 0) {
            return;
        }
        if (r == 0 && g == 0 && b == 0) {
            return;
        }
        if (counts != nullptr) {
            ++counts->adds;
        }
        destination.AddPixel(x0, y, r, g, b);
        return;
    }

    // 4. n from the ends as passed; the remembered sample and colour.
    const int64_t n = static_cast<int64_t>(x1) - x0;
    const int64_t dsx = static_cast<int64_t>(sx1) - sx0;
    const int64_t dsy = static_cast<int64_t>(sy1) - sy0;
    int32_t rememberedX = -1000000;
    int32_t rememberedY = -1000000;
    int32_t rememberedR = 0, rememberedG = 0, rememberedB = 0;

    // 5. Left to right over the clipped columns.
    for (int32_t x = lo; x <= hi; ++x) {
        const int64_t k = static_cast<int64_t>(x) - x0;
        const int32_t sx = Narrow(sx0 + ReferenceProductQuotient(k, dsx, n));
        const int32_t sy = Narrow(sy0 + ReferenceProductQuotient(k, dsy, n));
        int32_t r = 0, g = 0, b = 0;
        if (sx == rememberedX && sy == rememberedY) {
            r = rememberedR;
            g = rememberedG;
            b = rememberedB;
        } else {
            if (counts != nullptr) {
                ++counts->reads;
            }
            if (source.GetPixel(sx, sy, &r, &g, &b) == 0) {
                r = 0;
                g = 0;
                b = 0;
            }
        }
        rememberedX = sx;
        rememberedY = sy;
        rememberedR = r;
        rememberedG = g;
        rememberedB = b;
        if (r >= 1 || g >= 1 || b >= 1) {
            if (counts != nullptr) {
                ++counts->adds;
            }
            destination.AddPixel(x, y, r, g, b);
        }
    }
}

void ReferenceMapQuad(DibImage& destination, const Quad& destinationQuad, const DibImage& source,
                      const Quad& sourceQuad, ReferenceBlitCounts* counts) {
    const int32_t W = destination.GetWidth();
    const int32_t H = destination.GetHeight();
    const QuadPoint* d = destinationQuad.p;
    const QuadPoint* s = sourceQuad.p;

    // 1. Bounding box.
    int32_t minX = d[0].x, maxX = d[0].x, minY = d[0].y, maxY = d[0].y;
    for (int k = 1; k < 4; ++k) {
        if (d[k].x < minX)
            minX = d[k].x;
        if (d[k].x > maxX)
            maxX = d[k].x;
        if (d[k].y < minY)
            minY = d[k].y;
        if (d[k].y > maxY)
            maxY = d[k].y;
    }
    // 2. Rejection.
    if (minY >= H || maxY < 0 || minX >= W || maxX < 0) {
        return;
    }
    // 3. Row range; columns are MapSpan's to clip.
    const int32_t firstRow = minY > 0 ? minY : 0;
    const int32_t lastRow = maxY < H - 1 ? maxY : H - 1;

    // 4. Row by row, top to bottom.
    for (int32_t y = firstRow; y <= lastRow; ++y) {
        int32_t left = 2147483647;
        int32_t right = -2147483647;
        int32_t leftSx = 0, leftSy = 0, rightSx = 0, rightSy = 0;
        for (int e = 0; e < 4; ++e) {
            const int i = e;
            const int j = (e + 1) % 4;
            const int64_t xi = d[i].x, yi = d[i].y, xj = d[j].x, yj = d[j].y;
            if (yi == yj) {
                continue;  // horizontal
            }
            const int64_t ti = y - yi;
            const int64_t tj = y - yj;
            if ((ti > 0 && tj > 0) || (ti < 0 && tj < 0)) {
                continue;  // row not between the ends
            }
            const int32_t xc = Narrow(xi + ReferenceProductQuotient(xj - xi, ti, yj - yi));
            const int64_t wi = Abs64(tj);
            const int64_t wj = Abs64(ti);
            const int64_t n = wi + wj;
            const int32_t sx = Narrow((s[i].x * wi + s[j].x * wj) / n);
            const int32_t sy = Narrow((s[i].y * wi + s[j].y * wj) / n);
            if (xc < left) {
                left = xc;
                leftSx = sx;
                leftSy = sy;
            }
            if (xc > right) {
                right = xc;
                rightSx = sx;
                rightSy = sy;
            }
        }
        if (left <= right) {
            if (counts != nullptr) {
                ++counts->spans;
            }
            ReferenceMapSpan(destination, left, right, y, source, leftSx, leftSy, rightSx, rightSy,
                             counts);
        }
    }
}
