#include "shell/render_tick.h"

#include <cstdint>

#include "effect/blasts.h"

void RenderTick(HDC hdc) {
    ComposeTick();

    const int32_t width = ScreenWidth;
    const int32_t height = ScreenHeight;
    // The header below must describe the store exactly, or the device would read past it.
    if (ScreenBuffer.GetWidth() != width || ScreenBuffer.GetHeight() != height ||
        ScreenBuffer.GetBitsPerPixel() != 24) {
        return;
    }
    // The bottom row comes first in memory: from it the store is one bottom-up bitmap.
    const uint8_t* bits = ScreenBuffer.GetLine(height - 1);
    if (bits == nullptr) {
        return;
    }

    SetStretchBltMode(hdc, COLORONCOLOR);
    BITMAPINFOHEADER header = {};
    header.biSize = sizeof header;
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    header.biSizeImage = 0;
    header.biXPelsPerMeter = 1;
    header.biYPelsPerMeter = 1;
    header.biClrUsed = 0;
    header.biClrImportant = 0;
    SetDIBitsToDevice(hdc, 0, 0, width, height, 0, 0, 0, height, bits,
                      reinterpret_cast<const BITMAPINFO*>(&header), DIB_RGB_COLORS);
}
