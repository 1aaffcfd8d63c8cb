#include "image/span_cache.h"

#include <cstring>

#include "image/exact_stepper.h"

namespace blit {

namespace {

int64_t Abs64(int64_t v) {
    return v < 0 ? -v : v;
}

}  // namespace

void SpanContext::Bind(DibImage& destination, const DibImage& source,
                       const LitExtent* sourceExtents) {
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
    self = &destination == &source;
    extents = self ? nullptr : sourceExtents;
    mapValid = false;
    rowValid = false;
    prefetched = -1;
}

namespace {

// Column maps of recent calls, kept between calls: the compositor draws each blast through the
// same map on every tick of its play. Maps as wide as a blast's square fit; a map is found by
// its parameters in the one place they hash to, and replaces what was there.
constexpr int32_t KeptMaps = 64;
constexpr int32_t KeptSpan = 384;
constexpr int32_t KeptVectors = VectorsOf(KeptSpan);

// What a map is built from.
struct MapKey {
    int32_t x0, x1, sx0, sx1, lo, cnt, sw;
    bool operator==(const MapKey& o) const {
        return x0 == o.x0 && x1 == o.x1 && sx0 == o.sx0 && sx1 == o.sx1 && lo == o.lo &&
               cnt == o.cnt && sw == o.sw;
    }
};

struct KeptMap {
    bool used = false;
    MapKey key;
    bool increasing, hasTable, shuffled;
    int32_t sMin, sMax;
    int32_t index[KeptSpan];
    int32_t firstAt[KeptSpan + 2];
    int32_t shuffleBase[KeptVectors];
    int8_t shuffleKind[KeptVectors];
};

KeptMap keptMaps[KeptMaps];

KeptMap& KeptPlace(const MapKey& k) {
    const uint32_t h = static_cast<uint32_t>(k.x0) * 2654435761u ^
                       static_cast<uint32_t>(k.x1) * 40503u ^ static_cast<uint32_t>(k.sx0) * 9973u ^
                       static_cast<uint32_t>(k.sx1) * 131u ^ static_cast<uint32_t>(k.lo) * 7u ^
                       static_cast<uint32_t>(k.cnt);
    return keptMaps[(h ^ (h >> 16)) % KeptMaps];
}

template <typename T>
void CopyOf(T* to, const T* from, int32_t count) {
    std::memcpy(to, from, sizeof(T) * static_cast<size_t>(count));
}

// A built map of cnt columns from one holder to the other: the kept maps and the span context
// name its parts alike.
template <typename To, typename From>
void CopyMap(To& to, const From& from, int32_t cnt) {
    to.increasing = from.increasing;
    to.sMin = from.sMin;
    to.sMax = from.sMax;
    to.hasTable = from.hasTable;
    to.shuffled = from.shuffled;
    CopyOf(to.index, from.index, cnt);
    if (from.hasTable) {
        CopyOf(to.firstAt, from.firstAt, from.sMax - from.sMin + 2);
    }
    if (from.shuffled) {
        CopyOf(to.shuffleBase, from.shuffleBase, VectorsOf(cnt));
        CopyOf(to.shuffleKind, from.shuffleKind, VectorsOf(cnt));
    }
}

}  // namespace

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
    const MapKey key{x0, x1, sx0, sx1, lo, cnt, sw};
    KeptMap& kept = KeptPlace(key);
    if (kept.used && kept.key == key) {
        CopyMap(*this, kept, cnt);
        return;
    }
    ComputeMap();
    if (cnt <= KeptSpan && (!hasTable || static_cast<int64_t>(sMax) - sMin + 2 <= KeptSpan + 2)) {
        kept.used = true;
        kept.key = key;
        CopyMap(kept, *this, cnt);
    }
}

void SpanContext::ComputeMap() {
    const int32_t x0 = mx0, x1 = mx1, sx0 = msx0, sx1 = msx1;
    const int64_t n = static_cast<int64_t>(x1) - x0;
    ExactStepper st;
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
    shuffled = false;
    if (increasing && sMin <= sMax && ShuffledExpansionAvailable()) {
        PlanShuffles();
    }
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

// Which vectors of the expansion are one shuffle of one load: the six pixels each reads lie
// in the span and sample the source, each at most one source pixel on from the one before it,
// and the 16 bytes loaded lie in the row's own pixels. Only maps that never step further than
// one source pixel are planned: elsewhere most vectors would go pixel by pixel, slower than
// the expansion without shuffles.
void SpanContext::PlanShuffles() {
    if (static_cast<int64_t>(index[cnt - 1]) - index[0] > cnt - 1) {
        return;
    }
    const int32_t vectors = VectorsOf(cnt);
    const int64_t rowBytes = 3 * static_cast<int64_t>(sw);
    bool any = false;
    for (int32_t v = 0; v < vectors; ++v) {
        const int32_t p0 = 16 * v / 3;
        int32_t kind = -1;
        int64_t base = 0;
        if (p0 + ShuffledPixels <= cnt && index[p0] >= 0 && index[p0 + ShuffledPixels - 1] < sw) {
            const int32_t* q = index + p0;
            const int32_t d1 = q[1] - q[0], d2 = q[2] - q[1], d3 = q[3] - q[2];
            const int32_t d4 = q[4] - q[3], d5 = q[5] - q[4];
            const int32_t steps = d1 | d2 << 1 | d3 << 2 | d4 << 3 | d5 << 4;
            const int32_t phase = v % 3;
            base = 3 * static_cast<int64_t>(q[0]) + ShuffleLoadOffset(phase, steps);
            if (((d1 | d2 | d3 | d4 | d5) & ~1) == 0 && base + 16 <= rowBytes) {
                kind = 32 * phase + steps;
            }
        }
        shuffleKind[v] = static_cast<int8_t>(kind);
        shuffleBase[v] = kind >= 0 ? static_cast<int32_t>(base) : 0;
        any = any || kind >= 0;
    }
    shuffled = any;
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
    if (extents != nullptr) {
        // Known where the row is lit: one run, no scan.
        const int32_t a = extents[sy].first > sMin ? extents[sy].first : sMin;
        const int32_t b = extents[sy].last < sMax ? extents[sy].last : sMax;
        if (a <= b) {
            EmitSourceRun(a, b, pendingStart, pendingEnd);
        }
        // The frames are far larger than the caches and each is drawn once a tick: ask for the
        // lit bytes of the rows a few ahead while this one is expanded.
        const int32_t from = prefetched >= sy ? prefetched + 1 : sy + 1;
        const int32_t to = sy + PrefetchRows < sh - 1 ? sy + PrefetchRows : sh - 1;
        for (int32_t next = from; next <= to; ++next) {
            if (extents[next].first <= extents[next].last) {
                const uint8_t* p = SrcRow(next) + 3 * static_cast<ptrdiff_t>(extents[next].first);
                const uint8_t* end =
                    SrcRow(next) + 3 * static_cast<ptrdiff_t>(extents[next].last) + 3;
                for (; p < end; p += 64) {
                    __builtin_prefetch(p);
                }
            }
        }
        prefetched = to > prefetched ? to : prefetched;
    } else {
        ScanLitRuns(row, sMin, sMax,
                    [&](int32_t a, int32_t b) { EmitSourceRun(a, b, pendingStart, pendingEnd); });
    }
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
        if (shuffled) {
            // Whole vectors: the bytes they write beside the run are what those pixels sample,
            // black beyond the lit pixels, and the zeros below follow them.
            ExpandShuffled(*this, row, s, e);
        } else if (wide) {
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

}  // namespace blit
