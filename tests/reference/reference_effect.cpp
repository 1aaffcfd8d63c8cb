#include "reference_effect.h"

#include <cmath>

#include "effect/clock.h"
#include "effect/random.h"
#include "image/quad_blit.h"
#include "reference_blit.h"

namespace {

int32_t Trunc(double v) {
    return static_cast<int32_t>(v);
}

int32_t& Cell(int32_t* grid, int32_t x, int32_t y) {
    return grid[x + 193 * y];
}

}  // namespace

double ReferenceDistance(int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
    const double dx = static_cast<double>(x1) - static_cast<double>(x0);
    const double dy = static_cast<double>(y1) - static_cast<double>(y0);
    return std::sqrt(dx * dx + dy * dy);
}

ReferenceSynthesisCounts ReferenceSynthesizeHeatGrid(ReferenceHeatGrids& grids) {
    ReferenceSynthesisCounts counts;
    const auto draw = [&counts] {
        ++counts.draws;
        return Random01();
    };

    SeedRandom(ReadMillisecondClock());
    for (int32_t i = 0; i < 37249; ++i) {
        grids.heat[i] = 0;
    }
    for (int32_t cluster = 0; cluster < 4; ++cluster) {
        const double ox = (draw() - 0.5) * 30;
        const double oy = (draw() - 0.5) * 30;
        for (int32_t candidate = 0; candidate < 700; ++candidate) {
            const int32_t px = Trunc((draw() - 0.5) * 19.200000000000003 + ox + 95);
            const int32_t py = Trunc((draw() - 0.5) * 19.200000000000003 + oy + 95);
            if (ReferenceDistance(95, 95, px, py) <= 19.200000000000003) {
                ++counts.acceptedClusterCandidates;
                const int32_t t = Trunc((draw() - 0.5) * -500);
                Cell(grids.heat, px, py) += 2800 - t;
            }
        }
    }
    const struct {
        int32_t side;
        int32_t radius;
        int32_t amount;
    } passes[] = {{24, 12, 2000}, {48, 24, 8000}, {96, 48, 8000}};
    for (const auto& pass : passes) {
        for (int32_t candidate = 0; candidate < 1600; ++candidate) {
            const int32_t px = Trunc((draw() - 0.5) * pass.side + 95);
            const int32_t py = Trunc((draw() - 0.5) * pass.side + 95);
            if (ReferenceDistance(95, 95, px, py) <= pass.radius) {
                Cell(grids.heat, px, py) += pass.amount;
            }
        }
    }
    return counts;
}

void ReferenceDiffuseAndPaint(ReferenceHeatGrids& grids, DibImage& frame, int32_t cx, int32_t cy) {
    for (int32_t i = 0; i < 37249; ++i) {
        grids.next[i] = 0;
    }
    for (int32_t y = 1; y <= 192; ++y) {
        for (int32_t x = 1; x <= 192; ++x) {
            const int32_t i = x + 193 * y;
            const int32_t d = grids.heat[i];
            const int32_t q = d / 4;
            const int32_t e = q / 2;
            grids.next[i] += q;
            const int32_t targets[] = {i - 193, i + 193, i - 1, i + 1};
            for (int32_t t : targets) {
                if (t >= 0 && t < 37249) {
                    grids.next[t] += e;
                }
            }
        }
    }
    for (int32_t y = 1; y <= 192; ++y) {
        for (int32_t x = 1; x <= 192; ++x) {
            int32_t d = Cell(grids.next, x, y);
            const int32_t px = cx - 96 + x;
            const int32_t py = cy - 96 + y;
            if (d < 0) {
                continue;
            }
            if (d > 255) {
                d = 255;
            } else if (d < 8) {
                continue;
            }
            switch (d / 48) {
                case 0:
                    frame.AddPixel(px, py, d, d / 5, 0);
                    break;
                case 1:
                    frame.SetPixel(px, py, d, d / 4, 0);
                    break;
                case 2:
                    frame.SetPixel(px, py, d, d / 3, 0);
                    break;
                case 3:
                    frame.SetPixel(px, py, d, d / 2, d / 4);
                    break;
                case 4:
                    frame.SetPixel(px, py, d, d / 2, d / 4);
                    break;
                case 5:
                    frame.SetPixel(px, py, d, d, d / 4);
                    break;
            }
        }
    }
    for (int32_t i = 0; i < 37249; ++i) {
        grids.heat[i] = grids.next[i];
    }
}

void ReferenceBuildExplosionFrames(ReferenceHeatGrids& grids, DibImage* frames) {
    for (int32_t s = 0; s < 10; ++s) {
        ReferenceSynthesizeHeatGrid(grids);
        for (int32_t k = 0; k < 30; ++k) {
            frames[s * 30 + k].Create(193, 193, 24);
            ReferenceDiffuseAndPaint(grids, frames[s * 30 + k], 95, 95);
        }
    }
}

void ReferenceRespawnBlast(BlastSlots& slots, int32_t slot, int16_t width, int16_t height) {
    slots.frameCounter[slot] = Trunc(Random01() * -80);
    slots.sequence[slot] = Trunc(Random01() * 10);
    slots.x[slot] = Trunc(Random01() * width);
    slots.y[slot] = Trunc(Random01() * height);
    slots.scale[slot] = Random01() + 0.8;
}

void ReferenceInitBlasts(BlastSlots& slots, int16_t width, int16_t height) {
    for (int32_t slot = 0; slot < 40; ++slot) {
        ReferenceRespawnBlast(slots, slot, width, height);
    }
}

void ReferenceComposeTick(DibImage& buffer, int16_t width, int16_t height, BlastSlots& slots,
                          const DibImage* frames) {
    const int32_t w = width;
    const int32_t h = height;
    // The clear, pixel by pixel over what FillRect(0, 0, w - 1, h - 1) covers.
    for (int32_t y = 0; y <= h - 1; ++y) {
        for (int32_t x = 0; x <= w - 1; ++x) {
            buffer.SetPixel(x, y, 0, 0, 0);
        }
    }
    Quad source;
    source.p[0] = {0, 0};
    source.p[1] = {193, 0};
    source.p[2] = {193, 193};
    source.p[3] = {0, 193};
    for (int32_t slot = 0; slot < 40; ++slot) {
        const int32_t half = Trunc(slots.scale[slot] * 96);
        const int32_t x = slots.x[slot];
        const int32_t y = slots.y[slot];
        Quad destination;
        destination.p[0] = {x - half, y - half};
        destination.p[1] = {x + half, y - half};
        destination.p[2] = {x + half, y + half};
        destination.p[3] = {x - half, y + half};
        if (slots.frameCounter[slot] >= 0) {
            ReferenceMapQuad(buffer, destination,
                             frames[slots.sequence[slot] * 30 + slots.frameCounter[slot]], source);
        }
        slots.frameCounter[slot] += 1;
        if (slots.frameCounter[slot] >= 30) {
            ReferenceRespawnBlast(slots, slot, width, height);
        }
    }
}
