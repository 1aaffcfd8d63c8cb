#include "image/quad_blit.h"

#include <cstddef>
#include <cstring>

// TORVEX_BLIT_SCALAR builds the portable fallback on an SSE2 machine, to test it.
#if defined(__SSE2__) && !defined(TORVEX_BLIT_SCALAR)
#define TORVEX_BLIT_SSE2 1
#include <emmintrin.h>
#else
#define TORVEX_BLIT_SSE2 0
#endif

// Production blit. It gives the same bytes as the literal blit of
// tests/reference/reference_blit.cpp, but:
//  - edges and spans carry their interpolations as exact quotient/remainder steppers instead of
//    dividing per row and per pixel;
//  - rows are addressed directly, and a span whose source row is constant is drawn from the lit
//    runs of that source row only, expanded once and added with saturating byte adds; following
//    destination rows with the same span parameters and source row add the same runs again.
// Arithmetic: every formula is evaluated exactly (64-bit differences and products, quotients
// truncated toward zero), as in the reference. Each result lies between two 32-bit values, so it
// fits 32 bits; wherever plain 32-bit products would not overflow, this is their result.
// A blit of an image onto itself keeps the literal order of reads and adds (the remembered colour
// of MapSpan becomes visible there), so it takes the literal path. A source or destination that is
// not 24 bits deep or has no store returns at once: every GetPixel or AddPixel would fail.
// The vector adds may run up to 15 bytes past a run, adding 0: those bytes are rewritten with
// their own value, and only inside the destination's store.

namespace {

// ---------------------------------------------------------------------------------------------
// Literal path: the algorithms as written, through GetPixel and AddPixel.

// trunc(a * b / c) for |a|, |b| below 2^32, c not 0: the product's magnitude fits 64 bits.
int64_t ProductQuotient(int64_t a, int64_t b, int64_t c) {
    const bool negative = ((a < 0) ^ (b < 0) ^ (c < 0)) != 0;
    const uint64_t ua = a < 0 ? 0 - static_cast<uint64_t>(a) : static_cast<uint64_t>(a);
    const uint64_t ub = b < 0 ? 0 - static_cast<uint64_t>(b) : static_cast<uint64_t>(b);
    const uint64_t uc = c < 0 ? 0 - static_cast<uint64_t>(c) : static_cast<uint64_t>(c);
    const uint64_t q = ua * ub / uc;
    return negative ? -static_cast<int64_t>(q) : static_cast<int64_t>(q);
}

int64_t Abs64(int64_t v) {
    return v < 0 ? -v : v;
}

void LiteralMapSpan(DibImage& destination, int32_t x0, int32_t x1, int32_t y,
                    const DibImage& source, int32_t sx0, int32_t sy0, int32_t sx1, int32_t sy1) {
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
    lo = lo < 0 ? 0 : lo;
    hi = hi > W - 1 ? W - 1 : hi;
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

void LiteralMapQuad(DibImage& destination, const Quad& destinationQuad, const DibImage& source,
                    const Quad& sourceQuad, int32_t firstRow, int32_t lastRow) {
    const QuadPoint* d = destinationQuad.p;
    const QuadPoint* s = sourceQuad.p;
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
            LiteralMapSpan(destination, left, right, y, source, lsx, lsy, rsx, rsy);
        }
    }
}

// ---------------------------------------------------------------------------------------------
// Exact steppers.

// floor(D * u / n) and its remainder r for n > 0, carried while u moves by one. trunc(B + D * u /
// n) is then B + q, plus one when that is negative and r is not 0: the formulas' quotients without
// a division each.
struct Stepper {
    int64_t q, r, qd, rd, n;

    // |D| < 2^32, 0 < n < 2^32, 0 <= u <= n.
    void Init(int64_t D, int64_t denominator, int64_t u) {
        n = denominator;
        qd = D / n;
        rd = D - qd * n;
        if (rd < 0) {
            rd += n;
            --qd;
        }
        // D * u = qd * u * n + rd * u, and rd * u < n * n < 2^64.
        const uint64_t ru = static_cast<uint64_t>(rd) * static_cast<uint64_t>(u);
        const uint64_t un = static_cast<uint64_t>(n);
        q = qd * u + static_cast<int64_t>(ru / un);
        r = static_cast<int64_t>(ru % un);
    }
    void Up() {
        q += qd;
        r += rd;
        if (r >= n) {
            r -= n;
            ++q;
        }
    }
    void Down() {
        q -= qd;
        r -= rd;
        if (r < 0) {
            r += n;
            --q;
        }
    }
    // trunc(D * u / n).
    int64_t Quotient() const { return q + static_cast<int64_t>((q < 0) & (r != 0)); }
    // trunc(base + D * u / n).
    int32_t Trunc(int64_t base) const {
        const int64_t t = base + q;
        return static_cast<int32_t>(t + static_cast<int64_t>((t < 0) & (r != 0)));
    }
};

// ---------------------------------------------------------------------------------------------
// Pixel helpers.

inline uint8_t AddByte(uint8_t stored, uint8_t amount) {
    const unsigned sum = static_cast<unsigned>(stored) + amount;
    return static_cast<uint8_t>(sum > 255 ? 255 : sum);
}

// bytes of buffer added into the destination at d. buffer holds zero bytes beyond the run up to
// the next multiple of 16, so whole vectors may be added wherever they stay inside the store:
// the bytes past the run get 0 added and keep their value.
inline void AddRun(uint8_t* d, const uint8_t* b, int32_t bytes, const uint8_t* storeEnd) {
    int32_t o = 0;
#if TORVEX_BLIT_SSE2
    const int32_t padded = (bytes + 15) & ~15;
    const int32_t vectorBytes =
        (storeEnd - d >= static_cast<ptrdiff_t>(padded)) ? padded : (bytes & ~15);
    for (; o < vectorBytes; o += 16) {
        const __m128i dv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + o));
        const __m128i bv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + o));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d + o), _mm_adds_epu8(dv, bv));
    }
#else
    (void)storeEnd;
#endif
    for (; o < bytes; ++o) {
        d[o] = AddByte(d[o], b[o]);
    }
}

#if TORVEX_BLIT_SSE2
// One bit per byte of v that is zero.
inline uint32_t ZeroMask(__m128i v) {
    return static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_setzero_si128())));
}

// Index of the lowest and of the highest set bit of v, which is not 0.
inline int32_t LowestBit(uint64_t v) {
#if defined(__GNUC__)
    return __builtin_ctzll(v);
#else
    int32_t k = 0;
    while ((v & 1) == 0) {
        v >>= 1;
        ++k;
    }
    return k;
#endif
}
inline int32_t HighestBit(uint64_t v) {
#if defined(__GNUC__)
    return 63 - __builtin_clzll(v);
#else
    int32_t k = 0;
    while (v >>= 1) {
        ++k;
    }
    return k;
#endif
}
#endif

// ---------------------------------------------------------------------------------------------
// Fast span drawing.

constexpr int32_t MaxSpan = 2048;             // widest clipped span the row cache takes
constexpr int32_t MaxRuns = MaxSpan / 7 + 2;  // merged runs are at least 6 pixels apart
constexpr int32_t MergeGap = 5;               // runs this close (15 bytes) become one

struct Run {
    int32_t start, end;  // span indices, end exclusive
};

// Working state of one MapQuad or MapSpan call: the destination and source as rows, and the
// expansion of the last constant-row span, reused while the span parameters stay the same.
struct SpanContext {
    uint8_t* dstTop;        // row 0 of the destination
    ptrdiff_t dstStep;      // bytes from row y to row y + 1 (negative: bottom-up)
    const uint8_t* dstEnd;  // one past the destination's store
    int32_t W, H;
    const uint8_t* srcTop;
    ptrdiff_t srcStep;
    const uint8_t* srcEnd;
    int32_t sw, sh;

    // Column map of the last constant-row span: index[i] = sx at column lo + i.
    bool mapValid;
    int32_t mx0, mx1, msx0, msx1;
    int32_t lo, cnt;
    bool increasing;
    int32_t sMin, sMax;  // range of the map clipped to the source's columns; empty if sMin > sMax
    // firstAt[k]: the first index whose sample has reached source column sMin + k (rising map)
    // or sMax - k (falling map), for k = 0 .. sMax - sMin + 1. Only when hasTable.
    bool hasTable;

    // Expansion of source row rowSy through that map.
    bool rowValid;
    int32_t rowSy;
    int32_t runCount;

    Run runs[MaxRuns];
    int32_t index[MaxSpan];
    int32_t firstAt[MaxSpan + 2];
    uint8_t buffer[3 * MaxSpan + 32];

    void Bind(DibImage& destination, const DibImage& source) {
        W = destination.GetWidth();
        H = destination.GetHeight();
        const ptrdiff_t ds = destination.GetStride();
        dstTop = destination.GetBits() + (H - 1) * ds;
        dstStep = -ds;
        dstEnd = destination.GetBits() + H * ds;
        sw = source.GetWidth();
        sh = source.GetHeight();
        const ptrdiff_t ss = source.GetStride();
        srcTop = source.GetBits() + (sh - 1) * ss;
        srcStep = -ss;
        srcEnd = source.GetBits() + sh * ss;
        mapValid = false;
        rowValid = false;
    }
    uint8_t* DstRow(int32_t y) const { return dstTop + dstStep * y; }
    const uint8_t* SrcRow(int32_t y) const { return srcTop + srcStep * y; }

    void AddSample(uint8_t* d, int32_t sx, int32_t sy) const {
        if (sx < 0 || sx >= sw || sy < 0 || sy >= sh) {
            return;
        }
        const uint8_t* p = SrcRow(sy) + 3 * static_cast<ptrdiff_t>(sx);
        if ((p[0] | p[1] | p[2]) == 0) {
            return;
        }
        d[0] = AddByte(d[0], p[0]);
        d[1] = AddByte(d[1], p[1]);
        d[2] = AddByte(d[2], p[2]);
    }

    void BuildMap(int32_t x0, int32_t x1, int32_t sx0, int32_t sx1, int32_t lo_, int32_t cnt_);
    void BuildRow(int32_t sy);
    template <typename Emit>
    void ScanLitRuns(const uint8_t* row, int32_t a, int32_t b, Emit emit) const;
    void EmitSourceRun(int32_t a, int32_t b, int32_t& pendingStart, int32_t& pendingEnd);
};

void SpanContext::BuildMap(int32_t x0, int32_t x1, int32_t sx0, int32_t sx1, int32_t lo_,
                           int32_t cnt_) {
    mapValid = true;
    rowValid = false;
    mx0 = x0;
    mx1 = x1;
    msx0 = sx0;
    msx1 = sx1;
    lo = lo_;
    cnt = cnt_;
    const int64_t n = static_cast<int64_t>(x1) - x0;
    Stepper st;
    st.Init(static_cast<int64_t>(sx1) - sx0, Abs64(n), Abs64(static_cast<int64_t>(lo) - x0));
    if (n > 0) {
        for (int32_t i = 0; i < cnt; ++i) {
            index[i] = static_cast<int32_t>(sx0 + st.Quotient());
            st.Up();
        }
    } else {
        for (int32_t i = 0; i < cnt; ++i) {
            index[i] = static_cast<int32_t>(sx0 + st.Quotient());
            st.Down();
        }
    }
    const int32_t first = index[0];
    const int32_t last = index[cnt - 1];
    increasing = last >= first;
    const int32_t a = increasing ? first : last;
    const int32_t b = increasing ? last : first;
    sMin = a < 0 ? 0 : a;
    sMax = b > sw - 1 ? sw - 1 : b;
    hasTable = sMin <= sMax && static_cast<int64_t>(sMax) - sMin + 2 <= MaxSpan + 2;
    if (!hasTable) {
        return;
    }
    const int32_t entries = sMax - sMin + 2;
    int32_t j = 0;
    if (increasing) {
        for (int32_t k = 0; k < entries; ++k) {
            while (j < cnt && index[j] < sMin + k) {
                ++j;
            }
            firstAt[k] = j;
        }
    } else {
        for (int32_t k = 0; k < entries; ++k) {
            while (j < cnt && index[j] > sMax - k) {
                ++j;
            }
            firstAt[k] = j;
        }
    }
}

// Calls emit(a, b), left to right, for runs a..b of row within columns a0..b0 that hold every
// non-black pixel there. A run may include black pixels (they add nothing); with SSE2 runs break
// only at 16 black pixels in a row, and begin and end on non-black pixels.
template <typename Emit>
void SpanContext::ScanLitRuns(const uint8_t* row, int32_t a0, int32_t b0, Emit emit) const {
    int32_t open = -1;  // first pixel of the run being read, or -1
    int32_t lastLit = -1;
    int32_t p = a0;
#if TORVEX_BLIT_SSE2
    while (p + 16 <= b0 + 1) {
        const __m128i* q = reinterpret_cast<const __m128i*>(row + 3 * static_cast<ptrdiff_t>(p));
        if (p + 64 <= b0 + 1) {
            // Most of a frame is black: 64 pixels at a time first.
            const __m128i a =
                _mm_or_si128(_mm_or_si128(_mm_loadu_si128(q), _mm_loadu_si128(q + 1)),
                             _mm_or_si128(_mm_loadu_si128(q + 2), _mm_loadu_si128(q + 3)));
            const __m128i b =
                _mm_or_si128(_mm_or_si128(_mm_loadu_si128(q + 4), _mm_loadu_si128(q + 5)),
                             _mm_or_si128(_mm_loadu_si128(q + 6), _mm_loadu_si128(q + 7)));
            const __m128i c =
                _mm_or_si128(_mm_or_si128(_mm_loadu_si128(q + 8), _mm_loadu_si128(q + 9)),
                             _mm_or_si128(_mm_loadu_si128(q + 10), _mm_loadu_si128(q + 11)));
            if (ZeroMask(_mm_or_si128(_mm_or_si128(a, b), c)) == 0xFFFF) {
                if (open >= 0) {
                    emit(open, lastLit);
                    open = -1;
                }
                p += 64;
                continue;
            }
        }
        const __m128i v0 = _mm_loadu_si128(q);
        const __m128i v1 = _mm_loadu_si128(q + 1);
        const __m128i v2 = _mm_loadu_si128(q + 2);
        if (ZeroMask(_mm_or_si128(_mm_or_si128(v0, v1), v2)) == 0xFFFF) {
            if (open >= 0) {
                emit(open, lastLit);
                open = -1;
            }
            p += 16;
            continue;
        }
        // Non-zero bytes of the 48: the first and the last name the first and last lit pixel.
        const uint64_t nonZero =
            ~(static_cast<uint64_t>(ZeroMask(v0)) | (static_cast<uint64_t>(ZeroMask(v1)) << 16) |
              (static_cast<uint64_t>(ZeroMask(v2)) << 32)) &
            0xFFFFFFFFFFFFull;
        if (open < 0) {
            open = p + LowestBit(nonZero) / 3;
        }
        lastLit = p + HighestBit(nonZero) / 3;
        p += 16;
    }
#endif
    for (; p <= b0; ++p) {
        const uint8_t* q = row + 3 * static_cast<ptrdiff_t>(p);
        if ((q[0] | q[1] | q[2]) != 0) {
            if (open < 0) {
                open = p;
            }
            lastLit = p;
        }
    }
    if (open >= 0) {
        emit(open, lastLit);
    }
}

// Span indices [start, end) whose sample lies in source columns a..b, merged into the runs.
void SpanContext::EmitSourceRun(int32_t a, int32_t b, int32_t& pendingStart, int32_t& pendingEnd) {
    int32_t start, end;
    if (hasTable) {
        start = increasing ? firstAt[a - sMin] : firstAt[sMax - b];
        end = increasing ? firstAt[b + 1 - sMin] : firstAt[sMax - a + 1];
    } else {
        // Binary searches over the monotone map.
        int32_t l = 0, h = cnt;
        while (l < h) {
            const int32_t m = l + (h - l) / 2;
            if (increasing ? index[m] < a : index[m] > b) {
                l = m + 1;
            } else {
                h = m;
            }
        }
        start = l;
        h = cnt;
        while (l < h) {
            const int32_t m = l + (h - l) / 2;
            if (increasing ? index[m] <= b : index[m] >= a) {
                l = m + 1;
            } else {
                h = m;
            }
        }
        end = l;
    }
    if (start >= end) {
        return;  // a source run that no column samples
    }
    if (pendingStart < pendingEnd) {
        // Runs arrive in order of the map, rising or falling.
        if (start >= pendingEnd && start - pendingEnd <= MergeGap) {
            pendingEnd = end;
            return;
        }
        if (end <= pendingStart && pendingStart - end <= MergeGap) {
            pendingStart = start;
            return;
        }
        runs[runCount].start = pendingStart;
        runs[runCount].end = pendingEnd;
        ++runCount;
    }
    pendingStart = start;
    pendingEnd = end;
}

void SpanContext::BuildRow(int32_t sy) {
    rowValid = true;
    rowSy = sy;
    runCount = 0;
    if (sMin > sMax) {
        return;
    }
    const uint8_t* row = SrcRow(sy);
    int32_t pendingStart = 0, pendingEnd = 0;
    ScanLitRuns(row, sMin, sMax,
                [&](int32_t a, int32_t b) { EmitSourceRun(a, b, pendingStart, pendingEnd); });
    if (pendingStart < pendingEnd) {
        runs[runCount].start = pendingStart;
        runs[runCount].end = pendingEnd;
        ++runCount;
    }
    // Expand: every column of a merged run reads its sample (gaps inside a run read black
    // pixels of the source), then 16 zero bytes follow the run for AddRun's last vector.
    // Four-byte copies, except where the fourth byte would leave the source's store.
    const bool wide = row + 3 * static_cast<ptrdiff_t>(sw) + 1 <= srcEnd;
    for (int32_t k = 0; k < runCount; ++k) {
        const int32_t s = runs[k].start;
        const int32_t e = runs[k].end;
        uint8_t* out = buffer + 3 * s;
        if (wide) {
            // Two pixels per eight-byte store; the bytes past them are overwritten next.
            int32_t i = s;
            for (; i + 3 < e; i += 4, out += 12) {
                uint32_t p0, p1, p2, p3;
                std::memcpy(&p0, row + 3 * static_cast<ptrdiff_t>(index[i]), 4);
                std::memcpy(&p1, row + 3 * static_cast<ptrdiff_t>(index[i + 1]), 4);
                std::memcpy(&p2, row + 3 * static_cast<ptrdiff_t>(index[i + 2]), 4);
                std::memcpy(&p3, row + 3 * static_cast<ptrdiff_t>(index[i + 3]), 4);
                const uint64_t a01 = (p0 & 0xFFFFFFu) | (static_cast<uint64_t>(p1) << 24);
                const uint64_t a23 = (p2 & 0xFFFFFFu) | (static_cast<uint64_t>(p3) << 24);
                std::memcpy(out, &a01, 8);
                std::memcpy(out + 6, &a23, 8);
            }
            for (; i + 1 < e; i += 2, out += 6) {
                uint32_t p0, p1;
                std::memcpy(&p0, row + 3 * static_cast<ptrdiff_t>(index[i]), 4);
                std::memcpy(&p1, row + 3 * static_cast<ptrdiff_t>(index[i + 1]), 4);
                const uint64_t two = (p0 & 0xFFFFFFu) | (static_cast<uint64_t>(p1) << 24);
                std::memcpy(out, &two, 8);
            }
            if (i < e) {
                std::memcpy(out, row + 3 * static_cast<ptrdiff_t>(index[i]), 4);
            }
        } else {
            for (int32_t i = s; i < e; ++i, out += 3) {
                std::memcpy(out, row + 3 * static_cast<ptrdiff_t>(index[i]), 3);
            }
        }
        std::memset(buffer + 3 * e, 0, 16);
    }
}

// One span, as MapSpan draws it.
void DrawSpan(SpanContext& c, int32_t x0, int32_t x1, int32_t y, int32_t sx0, int32_t sy0,
              int32_t sx1, int32_t sy1) {
    if (y < 0 || y >= c.H) {
        return;
    }
    int32_t lo = x0 < x1 ? x0 : x1;
    int32_t hi = x0 < x1 ? x1 : x0;
    if (hi < 0 || lo >= c.W) {
        return;
    }
    lo = lo < 0 ? 0 : lo;
    hi = hi > c.W - 1 ? c.W - 1 : hi;
    uint8_t* dstRow = c.DstRow(y);
    if (x0 == x1) {
        c.AddSample(dstRow + 3 * static_cast<ptrdiff_t>(x0), sx0, sy0);
        return;
    }
    const int32_t cnt = hi - lo + 1;
    if (sy0 == sy1 && cnt <= MaxSpan) {
        // Constant source row.
        if (sy0 < 0 || sy0 >= c.sh) {
            return;
        }
        if (!c.mapValid || c.mx0 != x0 || c.mx1 != x1 || c.msx0 != sx0 || c.msx1 != sx1) {
            c.BuildMap(x0, x1, sx0, sx1, lo, cnt);
        }
        if (!c.rowValid || c.rowSy != sy0) {
            c.BuildRow(sy0);
        }
        uint8_t* d = dstRow + 3 * static_cast<ptrdiff_t>(lo);
        for (int32_t k = 0; k < c.runCount; ++k) {
            const Run& run = c.runs[k];
            AddRun(d + 3 * run.start, c.buffer + 3 * run.start, 3 * (run.end - run.start),
                   c.dstEnd);
        }
        return;
    }
    // General span: both coordinates stepped exactly, pixel by pixel.
    const int64_t n = static_cast<int64_t>(x1) - x0;
    const int64_t an = Abs64(n);
    const int64_t u = Abs64(static_cast<int64_t>(lo) - x0);
    Stepper sx, sy;
    sx.Init(static_cast<int64_t>(sx1) - sx0, an, u);
    sy.Init(static_cast<int64_t>(sy1) - sy0, an, u);
    uint8_t* d = dstRow + 3 * static_cast<ptrdiff_t>(lo);
    for (int32_t x = lo; x <= hi; ++x, d += 3) {
        c.AddSample(d, static_cast<int32_t>(sx0 + sx.Quotient()),
                    static_cast<int32_t>(sy0 + sy.Quotient()));
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
}

bool Drawable(const DibImage& image) {
    return image.GetBitsPerPixel() == 24 && image.GetBits() != nullptr;
}

// One edge of the destination quad, stepped row by row: its crossing column and its sample.
struct Edge {
    int32_t firstRow, lastRow;  // rows it contributes to, within the drawn rows
    bool down;                  // u = |y - yi| grows with y
    int32_t xi, sxi, syi;
    Stepper x, sx, sy;

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

}  // namespace

void MapSpan(DibImage& destination, int32_t x0, int32_t x1, int32_t y, const DibImage& source,
             int32_t sx0, int32_t sy0, int32_t sx1, int32_t sy1) {
    if (!Drawable(destination) || !Drawable(source)) {
        return;  // every AddPixel or every GetPixel would fail
    }
    if (&destination == &source) {
        LiteralMapSpan(destination, x0, x1, y, source, sx0, sy0, sx1, sy1);
        return;
    }
    SpanContext c;
    c.Bind(destination, source);
    DrawSpan(c, x0, x1, y, sx0, sy0, sx1, sy1);
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
    if (!Drawable(destination) || !Drawable(source)) {
        return;
    }
    const int32_t firstRow = minY > 0 ? minY : 0;
    const int32_t lastRow = maxY < H - 1 ? maxY : H - 1;
    if (&destination == &source) {
        LiteralMapQuad(destination, destinationQuad, source, sourceQuad, firstRow, lastRow);
        return;
    }

    SpanContext c;
    c.Bind(destination, source);

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
        Stepper sy;
        sy.Init(static_cast<int64_t>(s[3].y) - s[0].y, n, static_cast<int64_t>(firstRow) - d[0].y);
        for (int32_t y = firstRow; y <= lastRow; ++y) {
            const int32_t row = sy.Trunc(s[0].y);
            DrawSpan(c, left, right, y, lsx, row, rsx, row);
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
        if (left <= right) {
            DrawSpan(c, left, right, y, lsx, lsy, rsx, rsy);
        }
    }
}
