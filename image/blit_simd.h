// The blit's byte work, vectorised with SSE2 where the target has it: the saturating add of an
// expanded run into a destination row, and the scan of a source row for its lit runs. All of
// the blit's instruction-set choices are made here. TORVEX_BLIT_SCALAR builds the portable
// fallback on an SSE2 machine, so that it is tested too.
#pragma once

#include <cstddef>
#include <cstdint>

#if defined(__SSE2__) && !defined(TORVEX_BLIT_SCALAR)
#define TORVEX_BLIT_SSE2 1
#include <emmintrin.h>
#else
#define TORVEX_BLIT_SSE2 0
#endif

namespace blit {

inline uint8_t AddByte(uint8_t stored, uint8_t amount) {
    const unsigned sum = static_cast<unsigned>(stored) + amount;
    return static_cast<uint8_t>(sum > 255 ? 255 : sum);
}

// bytes of b added into the destination at d. b holds zero bytes beyond the run up to the next
// multiple of 16, so whole vectors may be added wherever they stay inside the store (which ends
// at storeEnd): the bytes past the run get 0 added and keep their value.
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
#endif

// Runs of pixels a..b of a 24-bit row that hold all its lit (not black) pixels, in order:
// emit(first, last) for each, first and last lit. Black pixels may lie inside a run (the vector
// scan splits runs only at a black 16-pixel block, the scalar one never); they add nothing.
// Reads only pixels a..b.
template <typename Emit>
void ScanLitRuns(const uint8_t* row, int32_t a, int32_t b, Emit emit) {
    int32_t open = -1;  // first pixel of the run being read, or -1
    int32_t lastLit = -1;
    int32_t p = a;
#if TORVEX_BLIT_SSE2
    while (p + 16 <= b + 1) {
        const __m128i* q = reinterpret_cast<const __m128i*>(row + 3 * static_cast<ptrdiff_t>(p));
        if (p + 64 <= b + 1) {
            // Most of a frame is black: 64 pixels at a time first.
            const __m128i v =
                _mm_or_si128(_mm_or_si128(_mm_loadu_si128(q), _mm_loadu_si128(q + 1)),
                             _mm_or_si128(_mm_loadu_si128(q + 2), _mm_loadu_si128(q + 3)));
            const __m128i w =
                _mm_or_si128(_mm_or_si128(_mm_loadu_si128(q + 4), _mm_loadu_si128(q + 5)),
                             _mm_or_si128(_mm_loadu_si128(q + 6), _mm_loadu_si128(q + 7)));
            const __m128i x =
                _mm_or_si128(_mm_or_si128(_mm_loadu_si128(q + 8), _mm_loadu_si128(q + 9)),
                             _mm_or_si128(_mm_loadu_si128(q + 10), _mm_loadu_si128(q + 11)));
            if (ZeroMask(_mm_or_si128(_mm_or_si128(v, w), x)) == 0xFFFF) {
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
        // Every toolchain we build with (GCC, clang, MinGW-w64 GCC) has the bit-scan builtins.
        const uint64_t nonZero =
            ~(static_cast<uint64_t>(ZeroMask(v0)) | (static_cast<uint64_t>(ZeroMask(v1)) << 16) |
              (static_cast<uint64_t>(ZeroMask(v2)) << 32)) &
            0xFFFFFFFFFFFFull;
        if (open < 0) {
            open = p + __builtin_ctzll(nonZero) / 3;
        }
        lastLit = p + (63 - __builtin_clzll(nonZero)) / 3;
        p += 16;
    }
#endif
    for (; p <= b; ++p) {
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

}  // namespace blit
