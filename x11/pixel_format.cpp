#include "x11/pixel_format.h"

namespace {

// Where a channel's top bits go: (value >> drop) << shift.
struct Channel {
    int32_t drop = 0;
    int32_t shift = 0;
};

int32_t LowestBit(uint32_t mask) {
    int32_t bit = 0;
    while ((mask & 1) == 0) {
        mask >>= 1;
        ++bit;
    }
    return bit;
}

int32_t BitCount(uint32_t mask) {
    int32_t count = 0;
    for (; mask != 0; mask &= mask - 1) {
        ++count;
    }
    return count;
}

bool IsChannelMask(uint32_t mask, int32_t bitsPerPixel) {
    if (mask == 0 || (bitsPerPixel < 32 && mask >> bitsPerPixel != 0)) {
        return false;
    }
    const uint32_t run = mask >> LowestBit(mask);
    return (run & (run + 1)) == 0 && BitCount(mask) <= 8;
}

Channel ChannelOf(uint32_t mask) {
    return Channel{8 - BitCount(mask), LowestBit(mask)};
}

template <int32_t Bytes, bool MostSignificantFirst>
void ConvertRows(const DibImage& source, Channel red, Channel green, Channel blue, uint8_t* out,
                 int32_t bytesPerLine) {
    const int32_t width = source.GetWidth();
    for (int32_t y = 0; y < source.GetHeight(); ++y) {
        const uint8_t* bgr = source.GetLine(y);
        uint8_t* row = out + static_cast<int64_t>(y) * bytesPerLine;
        for (int32_t x = 0; x < width; ++x, bgr += 3, row += Bytes) {
            const uint32_t pixel = static_cast<uint32_t>(bgr[2] >> red.drop) << red.shift |
                                   static_cast<uint32_t>(bgr[1] >> green.drop) << green.shift |
                                   static_cast<uint32_t>(bgr[0] >> blue.drop) << blue.shift;
            for (int32_t k = 0; k < Bytes; ++k) {
                const int32_t byte = MostSignificantFirst ? Bytes - 1 - k : k;
                row[k] = static_cast<uint8_t>(pixel >> (8 * byte));
            }
        }
    }
}

}  // namespace

bool IsSupportedFormat(const PixelFormat& format) {
    const int32_t bits = format.bitsPerPixel;
    if (bits != 16 && bits != 24 && bits != 32) {
        return false;
    }
    if (!IsChannelMask(format.redMask, bits) || !IsChannelMask(format.greenMask, bits) ||
        !IsChannelMask(format.blueMask, bits)) {
        return false;
    }
    return (format.redMask & format.greenMask) == 0 && (format.redMask & format.blueMask) == 0 &&
           (format.greenMask & format.blueMask) == 0;
}

void ConvertPicture(const DibImage& source, const PixelFormat& format, uint8_t* out,
                    int32_t bytesPerLine) {
    const Channel red = ChannelOf(format.redMask);
    const Channel green = ChannelOf(format.greenMask);
    const Channel blue = ChannelOf(format.blueMask);
    const bool msb = format.mostSignificantFirst;
    switch (format.bitsPerPixel) {
        case 16:
            msb ? ConvertRows<2, true>(source, red, green, blue, out, bytesPerLine)
                : ConvertRows<2, false>(source, red, green, blue, out, bytesPerLine);
            break;
        case 24:
            msb ? ConvertRows<3, true>(source, red, green, blue, out, bytesPerLine)
                : ConvertRows<3, false>(source, red, green, blue, out, bytesPerLine);
            break;
        default:
            msb ? ConvertRows<4, true>(source, red, green, blue, out, bytesPerLine)
                : ConvertRows<4, false>(source, red, green, blue, out, bytesPerLine);
            break;
    }
}
