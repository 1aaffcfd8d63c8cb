// The back buffer in the layout of an X server's image: its bottom-up rows of blue, green, red
// turned top-down and packed into the pixels of a TrueColor visual.
#pragma once

#include <cstdint>

#include "image/dib_image.h"

struct PixelFormat {
    int32_t bitsPerPixel = 32;  // 16, 24 or 32
    bool mostSignificantFirst = false;
    uint32_t redMask = 0xff0000;
    uint32_t greenMask = 0x00ff00;
    uint32_t blueMask = 0x0000ff;
};

// Each mask one run of 1 to 8 bits within the pixel, no two overlapping.
bool IsSupportedFormat(const PixelFormat& format);

// Writes every pixel of source, top row first, into rows bytesPerLine bytes apart; the bytes
// past a row's last pixel are left as they are. format must be supported.
void ConvertPicture(const DibImage& source, const PixelFormat& format, uint8_t* out,
                    int32_t bytesPerLine);
