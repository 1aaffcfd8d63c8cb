#include "image/dib_image.h"

#include <cstddef>
#include <cstring>
#include <limits>
#include <new>

int32_t BitImage::CreatePlane(int32_t widthBits, int32_t rows) {
    if (widthBits < 1 || rows < 1) {
        return 0;
    }
    FreePlane();
    planeWidth = widthBits;
    // In 64 bits: (widthBits + 7) must not overflow near the top of the range.
    planeRowBytes = static_cast<int32_t>((static_cast<int64_t>(widthBits) + 7) / 8);
    planeHeight = rows;

    // A store larger than the address space can hold is an allocation failure, not a wrapped
    // size.
    const uint64_t size = static_cast<uint64_t>(planeRowBytes) * static_cast<uint64_t>(rows);
    if (size > static_cast<uint64_t>(std::numeric_limits<std::ptrdiff_t>::max())) {
        return 0;
    }
    bits = new (std::nothrow) uint8_t[static_cast<size_t>(size)];
    if (bits == nullptr) {
        return 0;
    }
    std::memset(bits, 0, static_cast<size_t>(size));
    return 1;
}

void BitImage::FreePlane() {
    delete[] bits;
    bits = nullptr;
}

int32_t DibImage::IsSupportedDepth(int32_t depth) {
    switch (depth) {
        case 1:
        case 3:
        case 4:
        case 8:
        case 16:
        case 24:
        case 48:
            return 1;
        default:
            return 0;
    }
}

int32_t DibImage::Create(int32_t w, int32_t h, int32_t depth) {
    if (IsSupportedDepth(depth) == 0) {
        return 0;
    }
    // Words per row. Formed in 64 bits so that a huge width cannot overflow; a row whose bit
    // width leaves 32 bits is refused below, as a plane of no width would be.
    const int64_t words = depth == 3 ? 3 * ((static_cast<int64_t>(w) + 31) / 32)
                                     : (static_cast<int64_t>(w) * depth + 31) / 32;
    Destroy();
    const int64_t planeBits = 32 * words;
    if (planeBits < 1 || planeBits > std::numeric_limits<int32_t>::max()) {
        return 0;
    }
    if (CreatePlane(static_cast<int32_t>(planeBits), h) == 0) {
        return 0;
    }
    bitsPerPixel = depth;
    stride = static_cast<int32_t>(4 * words);
    width = w;
    height = h;
    return 1;
}

void DibImage::Destroy() {
    FreePlane();
    bitsPerPixel = 0;
    stride = 0;
    width = 0;
    height = 0;
}

uint8_t* DibImage::GetLine(int32_t y) const {
    if (y < 0 || y >= height || bits == nullptr) {
        return nullptr;
    }
    return bits + static_cast<std::ptrdiff_t>(height - 1 - y) * stride;
}

uint8_t* DibImage::PixelAddress(int32_t x, int32_t y) const {
    return bits + static_cast<std::ptrdiff_t>(height - 1 - y) * stride +
           static_cast<std::ptrdiff_t>(3) * x;
}

int32_t DibImage::GetPixel(int32_t x, int32_t y, int32_t* red, int32_t* green,
                           int32_t* blue) const {
    if (bitsPerPixel != 24 || bits == nullptr) {
        return 0;
    }
    *red = 0;
    *green = 0;
    *blue = 0;
    if (y < 0 || y > height - 1 || x < 0 || x > width - 1) {
        return 0;
    }
    const uint8_t* p = PixelAddress(x, y);
    *blue = p[0];
    *green = p[1];
    *red = p[2];
    return 1;
}

int32_t DibImage::SetPixel(int32_t x, int32_t y, int32_t red, int32_t green, int32_t blue) {
    if (bitsPerPixel != 24 || bits == nullptr) {
        return 0;
    }
    if (y < 0 || y > height - 1 || x < 0 || x > width - 1) {
        return 0;
    }
    uint8_t* p = PixelAddress(x, y);
    p[0] = static_cast<uint8_t>(blue);
    p[1] = static_cast<uint8_t>(green);
    p[2] = static_cast<uint8_t>(red);
    return 1;
}

namespace {

// The sum is formed as a full integer; only the upper end is clamped.
uint8_t AddSaturated(uint8_t stored, int32_t amount) {
    const int64_t sum = static_cast<int64_t>(stored) + amount;
    return sum >= 255 ? 255 : static_cast<uint8_t>(sum);
}

}  // namespace

int32_t DibImage::AddPixel(int32_t x, int32_t y, int32_t red, int32_t green, int32_t blue) {
    if (bitsPerPixel != 24 || bits == nullptr) {
        return 0;
    }
    if (y < 0 || y > height - 1 || x < 0 || x > width - 1) {
        return 0;
    }
    uint8_t* p = PixelAddress(x, y);
    p[0] = AddSaturated(p[0], blue);
    p[1] = AddSaturated(p[1], green);
    p[2] = AddSaturated(p[2], red);
    return 1;
}

void DibImage::FillLine(int32_t x0, int32_t x1, int32_t y, int32_t red, int32_t green,
                        int32_t blue) {
    if (bitsPerPixel != 24 || bits == nullptr || y < 0 || y >= height) {
        return;
    }
    int32_t lo = x0 < x1 ? x0 : x1;
    if (lo >= width) {
        return;
    }
    if (lo < 0) {
        lo = 0;
    }
    int32_t hi = x0 < x1 ? x1 : x0;
    if (hi < 0) {
        return;
    }
    if (hi >= width) {
        hi = width - 1;
    }
    if (lo > hi) {
        return;
    }
    uint8_t* p = PixelAddress(lo, y);
    const uint8_t b = static_cast<uint8_t>(blue);
    const uint8_t g = static_cast<uint8_t>(green);
    const uint8_t r = static_cast<uint8_t>(red);
    if (b == g && g == r) {
        // Grey, black above all (every tick clears the back buffer): one run of equal bytes.
        std::memset(p, b, static_cast<size_t>(hi - lo + 1) * 3);
        return;
    }
    for (int32_t x = lo; x <= hi; ++x, p += 3) {
        p[0] = b;
        p[1] = g;
        p[2] = r;
    }
}

void DibImage::FillRect(int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t red, int32_t green,
                        int32_t blue) {
    int32_t lo = y0 < y1 ? y0 : y1;
    if (lo >= height) {
        return;
    }
    int32_t hi = y0 < y1 ? y1 : y0;
    if (hi < 0) {
        return;
    }
    if (lo < 0) {
        lo = 0;
    }
    if (hi >= height) {
        hi = height - 1;
    }
    if (lo > hi) {
        return;
    }
    for (int32_t y = lo; y <= hi; ++y) {
        FillLine(x0, x1, y, red, green, blue);
    }
}
