#include "effect/explosion_frames.h"

#include <array>
#include <cmath>
#include <cstddef>
#include <cstring>

#include "effect/clock.h"
#include "effect/random.h"

int32_t HeatGrid[HeatCells];
int32_t NextHeatGrid[HeatCells];
LitExtent FrameLitRows[FrameBankSize][FrameSize];

double Distance(int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
    // In double, so that no pair of 32-bit points can overflow the sum of squares.
    const double dx = static_cast<double>(x1) - static_cast<double>(x0);
    const double dy = static_cast<double>(y1) - static_cast<double>(y0);
    return std::sqrt(dx * dx + dy * dy);
}

bool IsWithinRadius(int32_t px, int32_t py, double radius) {
    return Distance(GridCentre, GridCentre, px, py) <= radius;
}

namespace {

// How one cell of heat is painted: not at all, added to the pixel, or set over it.
enum class HeatPaintOp : uint8_t { None, Add, Set };
struct HeatPaint {
    HeatPaintOp op;
    uint8_t red;
    uint8_t green;
    uint8_t blue;
};

// The fire colour ramp: heat below 8 paints nothing, above 255 paints as 255.
constexpr HeatPaint PaintOf(int32_t heat) {
    if (heat < 0) {
        return {HeatPaintOp::None, 0, 0, 0};
    }
    if (heat > 255) {
        heat = 255;
    } else if (heat < 8) {
        return {HeatPaintOp::None, 0, 0, 0};
    }
    const auto c = [](int32_t v) { return static_cast<uint8_t>(v); };
    switch (heat / 48) {
        case 0:
            return {HeatPaintOp::Add, c(heat), c(heat / 5), 0};
        case 1:
            return {HeatPaintOp::Set, c(heat), c(heat / 4), 0};
        case 2:
            return {HeatPaintOp::Set, c(heat), c(heat / 3), 0};
        case 3:
        case 4:
            return {HeatPaintOp::Set, c(heat), c(heat / 2), c(heat / 4)};
        default:
            return {HeatPaintOp::Set, c(heat), c(heat), c(heat / 4)};
    }
}

constexpr std::array<HeatPaint, 256> PaintTable = [] {
    std::array<HeatPaint, 256> table{};
    for (int32_t d = 0; d < 256; ++d) {
        table[static_cast<size_t>(d)] = PaintOf(d);
    }
    return table;
}();

// Cells x0..x1 by y0..y1, inclusive; empty when x0 > x1.
struct CellBox {
    int32_t x0, y0, x1, y1;
    bool IsEmpty() const { return x0 > x1; }
};
constexpr CellBox EmptyBox{FrameSize, FrameSize, -1, -1};

void Include(CellBox& box, int32_t x, int32_t y) {
    if (x < box.x0)
        box.x0 = x;
    if (x > box.x1)
        box.x1 = x;
    if (y < box.y0)
        box.y0 = y;
    if (y > box.y1)
        box.y1 = y;
}

// The box of the cells of grid within rows and columns of area that are not zero.
CellBox NonzeroBox(const int32_t* grid, const CellBox& area) {
    CellBox box = EmptyBox;
    for (int32_t y = area.y0; y <= area.y1; ++y) {
        const int32_t* row = grid + y * FrameSize;
        int32_t x0 = area.x0;
        while (x0 <= area.x1 && row[x0] == 0) {
            ++x0;
        }
        if (x0 > area.x1) {
            continue;
        }
        int32_t x1 = area.x1;
        while (row[x1] == 0) {
            --x1;
        }
        Include(box, x0, y);
        Include(box, x1, y);
    }
    return box;
}

constexpr CellBox WholeGrid{0, 0, FrameSize - 1, FrameSize - 1};

// Fills HeatGrid with one explosion; returns the box of the cells it gave heat.
CellBox SynthesizeIntoHeatGrid() {
    SeedRandom(ReadMillisecondClock());
    std::memset(HeatGrid, 0, sizeof HeatGrid);
    CellBox box = EmptyBox;
    const auto deposit = [&box](int32_t px, int32_t py, int32_t amount) {
        HeatGrid[px + FrameSize * py] += amount;
        Include(box, px, py);
    };

    for (int32_t cluster = 0; cluster < 4; ++cluster) {
        const double ox = (Random01() - 0.5) * 30.0;
        const double oy = (Random01() - 0.5) * 30.0;
        for (int32_t i = 0; i < 700; ++i) {
            const int32_t px = static_cast<int32_t>((Random01() - 0.5) * ClusterRadius + ox + 95.0);
            const int32_t py = static_cast<int32_t>((Random01() - 0.5) * ClusterRadius + oy + 95.0);
            // Against the grid centre, not the cluster's: an off-centre cluster is cut off.
            if (IsWithinRadius(px, py, ClusterRadius)) {
                const int32_t t = static_cast<int32_t>((Random01() - 0.5) * -500.0);
                deposit(px, py, 2800 - t);
            }
        }
    }

    struct Disc {
        double side;
        double radius;
        int32_t amount;
    };
    static constexpr Disc discs[] = {{24.0, 12.0, 2000}, {48.0, 24.0, 8000}, {96.0, 48.0, 8000}};
    for (const Disc& disc : discs) {
        for (int32_t i = 0; i < 1600; ++i) {
            const int32_t px = static_cast<int32_t>((Random01() - 0.5) * disc.side + 95.0);
            const int32_t py = static_cast<int32_t>((Random01() - 0.5) * disc.side + 95.0);
            if (IsWithinRadius(px, py, disc.radius)) {
                deposit(px, py, disc.amount);
            }
        }
    }
    return box;
}

// Paints the cells of NextHeatGrid within cells (inside rows and columns 1..192) onto frame,
// writing its rows directly. Cells outside cells must paint nothing.
// Where lit is not null, it receives each frame row's first and last painted pixel, for a frame
// that was black before: every painted pixel is lit (a painted cell's red is at least 8).
void Paint(DibImage& frame, int32_t cx, int32_t cy, const CellBox& cells, LitExtent* lit) {
    if (frame.GetBitsPerPixel() != 24 || frame.GetBits() == nullptr || cells.IsEmpty()) {
        return;
    }
    // Pixel = cell + offset; in 64 bits, as any cx, cy may come in.
    const int64_t offsetX = static_cast<int64_t>(cx) - 96;
    const int64_t offsetY = static_cast<int64_t>(cy) - 96;
    int64_t firstX = cells.x0;
    int64_t lastX = cells.x1;
    if (firstX + offsetX < 0)
        firstX = -offsetX;
    if (lastX + offsetX > frame.GetWidth() - 1)
        lastX = frame.GetWidth() - 1 - offsetX;
    if (firstX > lastX) {
        return;
    }
    for (int32_t y = cells.y0; y <= cells.y1; ++y) {
        const int64_t py = y + offsetY;
        if (py < 0 || py >= frame.GetHeight()) {
            continue;
        }
        uint8_t* line = frame.GetLine(static_cast<int32_t>(py));
        const int32_t* heat = NextHeatGrid + y * FrameSize;
        int64_t firstPainted = lastX + 1, lastPainted = firstX - 1;
        for (int64_t x = firstX; x <= lastX; ++x) {
            const int32_t d = heat[x];
            if (d < 8) {
                continue;
            }
            firstPainted = x < firstPainted ? x : firstPainted;
            lastPainted = x;
            const HeatPaint& paint = PaintTable[d > 255 ? 255 : static_cast<size_t>(d)];
            uint8_t* p = line + 3 * (x + offsetX);
            if (paint.op == HeatPaintOp::Set) {
                p[0] = paint.blue;
                p[1] = paint.green;
                p[2] = paint.red;
            } else {
                // Band 0 only: its blue is 0.
                const int32_t g = p[1] + paint.green;
                const int32_t r = p[2] + paint.red;
                p[1] = static_cast<uint8_t>(g > 255 ? 255 : g);
                p[2] = static_cast<uint8_t>(r > 255 ? 255 : r);
            }
        }
        if (lit != nullptr && firstPainted <= lastPainted) {
            lit[py] = LitExtent{static_cast<int16_t>(firstPainted + offsetX),
                                static_cast<int16_t>(lastPainted + offsetX)};
        }
    }
}

// The step as the rules read, over the whole grid, with its border rules: the right neighbour
// of column 192 is column 0 of the next row, and targets past the last cell are dropped.
CellBox StepWholeGrid(DibImage& frame, int32_t cx, int32_t cy, LitExtent* lit) {
    std::memset(NextHeatGrid, 0, sizeof NextHeatGrid);
    for (int32_t y = 1; y < FrameSize; ++y) {
        for (int32_t x = 1; x < FrameSize; ++x) {
            const int32_t i = x + FrameSize * y;
            const int32_t q = HeatGrid[i] / 4;
            const int32_t e = q / 2;
            NextHeatGrid[i] += q;
            NextHeatGrid[i - FrameSize] += e;
            if (i + FrameSize < HeatCells)
                NextHeatGrid[i + FrameSize] += e;
            NextHeatGrid[i - 1] += e;
            if (i + 1 < HeatCells)
                NextHeatGrid[i + 1] += e;
        }
    }
    Paint(frame, cx, cy, CellBox{1, 1, FrameSize - 1, FrameSize - 1}, lit);
    std::memcpy(HeatGrid, NextHeatGrid, sizeof HeatGrid);
    return NonzeroBox(HeatGrid, WholeGrid);
}

// One step, given that HeatGrid is zero outside heat and that NextHeatGrid is zero outside heat
// grown by one cell. Returns the box of the heat it leaves.
CellBox Step(DibImage& frame, int32_t cx, int32_t cy, const CellBox& heat, LitExtent* lit) {
    if (heat.IsEmpty()) {
        // Both grids are all zero already, and zero paints nothing.
        return EmptyBox;
    }
    // Away from the border every target is inside the grid and no neighbour wraps, and each
    // cell can gather what its five sources give it instead of the sources scattering it.
    if (heat.x0 < 2 || heat.y0 < 2 || heat.x1 > FrameSize - 3 || heat.y1 > FrameSize - 3) {
        return StepWholeGrid(frame, cx, cy, lit);
    }
    const CellBox reach{heat.x0 - 1, heat.y0 - 1, heat.x1 + 1, heat.y1 + 1};
    for (int32_t y = reach.y0; y <= reach.y1; ++y) {
        const int32_t* h = HeatGrid + y * FrameSize;
        int32_t* n = NextHeatGrid + y * FrameSize;
        for (int32_t x = reach.x0; x <= reach.x1; ++x) {
            n[x] = h[x] / 4 + h[x - FrameSize] / 4 / 2 + h[x + FrameSize] / 4 / 2 +
                   h[x - 1] / 4 / 2 + h[x + 1] / 4 / 2;
        }
    }
    Paint(frame, cx, cy, reach, lit);
    const size_t rowBytes = sizeof(int32_t) * static_cast<size_t>(reach.x1 - reach.x0 + 1);
    for (int32_t y = reach.y0; y <= reach.y1; ++y) {
        const int32_t i = reach.x0 + FrameSize * y;
        std::memcpy(HeatGrid + i, NextHeatGrid + i, rowBytes);
    }
    return NonzeroBox(HeatGrid, reach);
}

}  // namespace

void SynthesizeHeatGrid() {
    SynthesizeIntoHeatGrid();
}

void DiffuseAndPaint(DibImage& frame, int32_t cx, int32_t cy) {
    // Nothing is known of the grids here: find the heat, and clear all that the step does not
    // overwrite.
    const CellBox heat = NonzeroBox(HeatGrid, WholeGrid);
    std::memset(NextHeatGrid, 0, sizeof NextHeatGrid);
    Step(frame, cx, cy, heat, nullptr);
}

void BuildExplosionFrames() {
    for (int32_t s = 0; s < SequenceCount; ++s) {
        CellBox heat = SynthesizeIntoHeatGrid();
        // From here on each step leaves NextHeatGrid equal to HeatGrid, zero outside the heat.
        std::memset(NextHeatGrid, 0, sizeof NextHeatGrid);
        for (int32_t k = 0; k < FramesPerSequence; ++k) {
            const int32_t element = s * FramesPerSequence + k;
            DibImage& frame = FrameBank[element];
            frame.Create(FrameSize, FrameSize, 24);
            // The new frame is black: where it is lit is where this step paints.
            LitExtent* lit = FrameLitRows[element];
            for (int32_t y = 0; y < FrameSize; ++y) {
                lit[y] = LitExtent{1, 0};
            }
            heat = Step(frame, GridCentre, GridCentre, heat, lit);
        }
    }
}

void MeasureFrameBank() {
    for (int32_t e = 0; e < FrameBankSize; ++e) {
        if (FrameBank[e].GetHeight() != FrameSize ||
            MeasureLitExtents(FrameBank[e], FrameLitRows[e]) == 0) {
            for (int32_t y = 0; y < FrameSize; ++y) {
                FrameLitRows[e][y] = LitExtent{1, 0};
            }
        }
    }
}
