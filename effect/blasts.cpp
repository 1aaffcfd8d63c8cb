#include "effect/blasts.h"

#include <cstddef>
#include <cstring>

#include "effect/clock.h"
#include "effect/explosion_frames.h"
#include "effect/random.h"

int16_t ScreenWidth = 0;
int16_t ScreenHeight = 0;
BlastSlots Blasts;

void RespawnBlast(int32_t slot) {
    // One draw per statement: the order of draws is part of the effect.
    Blasts.frameCounter[slot] = static_cast<int32_t>(Random01() * -80.0);
    Blasts.sequence[slot] = static_cast<int32_t>(Random01() * 10.0);
    Blasts.x[slot] = static_cast<int32_t>(Random01() * static_cast<int32_t>(ScreenWidth));
    Blasts.y[slot] = static_cast<int32_t>(Random01() * static_cast<int32_t>(ScreenHeight));
    Blasts.scale[slot] = Random01() + 0.8;
}

int32_t BlastHalfSide(int32_t slot) {
    return static_cast<int32_t>(Blasts.scale[slot] * 96.0);
}

Quad BlastSquare(int32_t slot) {
    const int32_t half = BlastHalfSide(slot);
    const int32_t x = Blasts.x[slot];
    const int32_t y = Blasts.y[slot];
    // Top-left, top-right, bottom-right, bottom-left, as the frame quad: upright, unmirrored.
    return Quad{
        {{x - half, y - half}, {x + half, y - half}, {x + half, y + half}, {x - half, y + half}}};
}

void InitBlasts() {
    for (int32_t slot = 0; slot < BlastCount; ++slot) {
        RespawnBlast(slot);
    }
}

namespace {

// FillRect(0, 0, w - 1, h - 1) to black. Where rows have no padding and the clear spans them
// whole, the rows it covers lie back to back in the store: one memset instead of one a row.
void Clear(int32_t w, int32_t h) {
    DibImage& buffer = ScreenBuffer;
    const int32_t rows = h < buffer.GetHeight() ? h : buffer.GetHeight();
    if (buffer.GetBitsPerPixel() == 24 && buffer.GetBits() != nullptr && rows > 0 &&
        w >= buffer.GetWidth() && buffer.GetStride() == 3 * buffer.GetWidth()) {
        // Bottom-up: the top rows 0..rows - 1 are the last in memory.
        std::memset(buffer.GetLine(rows - 1), 0,
                    static_cast<size_t>(rows) * static_cast<size_t>(buffer.GetStride()));
        return;
    }
    buffer.FillRect(0, 0, w - 1, h - 1, 0, 0, 0);
}

}  // namespace

void ComposeTick() {
    const int32_t w = ScreenWidth;
    const int32_t h = ScreenHeight;
    Clear(w, h);
    for (int32_t slot = 0; slot < BlastCount; ++slot) {
        const Quad square = BlastSquare(slot);
        const int32_t frame = Blasts.frameCounter[slot];
        if (frame >= 0) {
            MapQuad(ScreenBuffer, square,
                    FrameBank[Blasts.sequence[slot] * FramesPerSequence + frame], FrameQuad);
        }
        Blasts.frameCounter[slot] = frame + 1;
        if (frame + 1 >= FramesPerSequence) {
            RespawnBlast(slot);
        }
    }
}

void StartEffect() {
    SeedRandom(ReadMillisecondClock());
    ScreenBuffer.Create(ScreenWidth, ScreenHeight, 24);
    BuildExplosionFrames();
    InitBlasts();
}
