#include "image/blit_ssse3.h"

#include <cstddef>
#include <cstring>

#include "image/span_cache.h"

#if TORVEX_BLIT_SSSE3
#include <tmmintrin.h>
#endif

namespace blit {

namespace {

// Vector v's six pixels, from its first to the last of the span, pixel by pixel.
void ExpandPixels(SpanContext& c, const uint8_t* row, int32_t v) {
    const int32_t p0 = 16 * v / 3;
    const int32_t p1 = p0 + ShuffledPixels < c.cnt ? p0 + ShuffledPixels : c.cnt;
    for (int32_t p = p0; p < p1; ++p) {
        uint8_t* out = c.buffer + 3 * p;
        const int32_t sx = c.index[p];
        if (sx >= 0 && sx < c.sw) {
            std::memcpy(out, row + 3 * static_cast<ptrdiff_t>(sx), 3);
        } else {
            out[0] = out[1] = out[2] = 0;
        }
    }
}

}  // namespace

#if TORVEX_BLIT_SSSE3

namespace {

// Shuffle kind 32 * phase + steps: byte b of the vector is byte (phase + b) % 3 of its pixel
// (phase + b) / 3, whose sample lies as many source pixels on from the first pixel's as the
// steps up to it say; the load starts ShuffleLoadOffset bytes into the first pixel's sample.
// Every entry lies in 0 .. 15 (the one-shuffle condition).
struct ShuffleControls {
    alignas(16) uint8_t bytes[ShuffleKinds][16];
};

constexpr ShuffleControls MakeShuffleControls() {
    ShuffleControls t{};
    for (int32_t phase = 0; phase < 3; ++phase) {
        for (int32_t steps = 0; steps < 32; ++steps) {
            int32_t on[ShuffledPixels] = {0, 0, 0, 0, 0, 0};
            for (int32_t k = 1; k < ShuffledPixels; ++k) {
                on[k] = on[k - 1] + ((steps >> (k - 1)) & 1);
            }
            for (int32_t b = 0; b < 16; ++b) {
                const int32_t pixel = (phase + b) / 3;
                const int32_t byte = (phase + b) % 3;
                t.bytes[32 * phase + steps][b] =
                    static_cast<uint8_t>(3 * on[pixel] + byte - ShuffleLoadOffset(phase, steps));
            }
        }
    }
    return t;
}

constexpr ShuffleControls Controls = MakeShuffleControls();

constexpr bool OneLoadEach(const ShuffleControls& t) {
    for (const auto& control : t.bytes) {
        for (uint8_t byte : control) {
            if (byte > 15) {
                return false;
            }
        }
    }
    return true;
}
static_assert(OneLoadEach(Controls), "every shuffled byte lies in the 16 bytes loaded");

}  // namespace

bool ShuffledExpansionAvailable() {
    static const bool available = __builtin_cpu_supports("ssse3");
    return available;
}

__attribute__((target("ssse3"))) void ExpandShuffled(SpanContext& c, const uint8_t* row,
                                                     int32_t start, int32_t end) {
    const int32_t first = 3 * start / 16;
    const int32_t last = (3 * end - 1) / 16;
    for (int32_t v = first; v <= last; ++v) {
        const int32_t kind = c.shuffleKind[v];
        if (kind < 0) {
            ExpandPixels(c, row, v);
            continue;
        }
        const __m128i source =
            _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + c.shuffleBase[v]));
        const __m128i control =
            _mm_load_si128(reinterpret_cast<const __m128i*>(Controls.bytes[kind]));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(c.buffer + 16 * v),
                         _mm_shuffle_epi8(source, control));
    }
}

#else

bool ShuffledExpansionAvailable() {
    return false;
}

// Never planned in a build without the shuffles; pixel by pixel all the same.
void ExpandShuffled(SpanContext& c, const uint8_t* row, int32_t start, int32_t end) {
    for (int32_t v = 3 * start / 16; v <= (3 * end - 1) / 16; ++v) {
        ExpandPixels(c, row, v);
    }
}

#endif

}  // namespace blit
