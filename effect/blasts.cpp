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

// The tallest square a slot draws: 2 * 172 + 1 rows.
constexpr int32_t MaxSquareRows = 345;

// Where the last tick drew, slot by slot, and on what: the buffer is black everywhere else,
// so clearing these spans clears the whole buffer. Known only when the last tick ran on this
// same store with the screen the buffer's size (a clear of part of the buffer leaves the rest
// as it was) and every drawn square fitted its record.
struct DrawnArea {
    bool known = false;
    const uint8_t* store = nullptr;
    int32_t width = 0, height = 0, stride = 0;
    DrawnRows slots[BlastCount];
    ColumnSpan spans[BlastCount][MaxSquareRows];
};
DrawnArea drawnArea;

bool BufferIsScreen(int32_t w, int32_t h) {
    const DibImage& buffer = ScreenBuffer;
    return buffer.GetBitsPerPixel() == 24 && buffer.GetBits() != nullptr &&
           buffer.GetWidth() == w && buffer.GetHeight() == h;
}

// FillRect(0, 0, w - 1, h - 1) to black, over what the last tick drew where that is known.
void Clear(int32_t w, int32_t h) {
    DibImage& buffer = ScreenBuffer;
    if (drawnArea.known && BufferIsScreen(w, h) && drawnArea.store == buffer.GetBits() &&
        drawnArea.width == w && drawnArea.height == h && drawnArea.stride == buffer.GetStride()) {
        for (const DrawnRows& slot : drawnArea.slots) {
            for (int32_t i = 0; i < slot.rowCount; ++i) {
                const ColumnSpan span = slot.spans[i];
                if (span.first <= span.last) {
                    std::memset(
                        buffer.GetLine(slot.firstRow + i) + 3 * static_cast<ptrdiff_t>(span.first),
                        0, 3 * static_cast<size_t>(span.last - span.first + 1));
                }
            }
        }
        return;
    }
    // Where rows have no padding and the clear spans them whole, the rows it covers lie back to
    // back in the store: one memset instead of one a row.
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

void ForgetDrawnArea() {
    drawnArea.known = false;
}

void ComposeTick() {
    const int32_t w = ScreenWidth;
    const int32_t h = ScreenHeight;
    Clear(w, h);
    bool known = BufferIsScreen(w, h);
    for (int32_t slot = 0; slot < BlastCount; ++slot) {
        DrawnRows& drawn = drawnArea.slots[slot];
        drawn.rowCount = 0;
        const Quad square = BlastSquare(slot);
        const int32_t frame = Blasts.frameCounter[slot];
        if (frame >= 0) {
            const int32_t element = Blasts.sequence[slot] * FramesPerSequence + frame;
            const DibImage& image = FrameBank[element];
            drawn.capacity = MaxSquareRows;
            drawn.spans = drawnArea.spans[slot];
            MapQuad(ScreenBuffer, square, image, FrameQuad,
                    image.GetHeight() == FrameSize ? FrameLitRows[element] : nullptr, &drawn);
            known = known && drawn.rowCount >= 0;
        }
        Blasts.frameCounter[slot] = frame + 1;
        if (frame + 1 >= FramesPerSequence) {
            RespawnBlast(slot);
        }
    }
    drawnArea.known = known;
    drawnArea.store = ScreenBuffer.GetBits();
    drawnArea.width = w;
    drawnArea.height = h;
    drawnArea.stride = ScreenBuffer.GetStride();
}

void StartEffect() {
    SeedRandom(ReadMillisecondClock());
    ScreenBuffer.Create(ScreenWidth, ScreenHeight, 24);
    ForgetDrawnArea();
    BuildExplosionFrames();
    InitBlasts();
}
