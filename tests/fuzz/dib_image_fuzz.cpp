// The image surface under any sequence of operations with any arguments and depths, against a
// plain model: a width, a height, a depth and one byte triple per pixel. Every store is checked
// byte for byte after every operation, padding included (it stays zero).
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "image/dib_image.h"

namespace {

[[noreturn]] void Fail() {
    std::abort();
}

void Check(bool ok) {
    if (!ok) {
        Fail();
    }
}

constexpr int32_t Sides[] = {INT32_MIN, -193, -1, 0, 1, 2, 3, 4, 5, 7, 8, 31, 32, 33, 63, 193};
constexpr int32_t FarSides[] = {INT32_MAX, INT32_MAX - 31, 1 << 30, 67108864, 134217727};
constexpr int32_t Depths[] = {24, 24, 24, 1, 3, 4, 8, 16, 48, 0, 2, 32, -24, 25};

struct Model {
    int32_t width = 0, height = 0, depth = 0, stride = 0;
    std::vector<uint8_t> rows;  // top row first, stride bytes a row

    bool Lit() const { return !rows.empty(); }
    bool Inside(int32_t x, int32_t y) const { return x >= 0 && y >= 0 && x < width && y < height; }
    uint8_t* At(int32_t x, int32_t y) {
        return &rows[static_cast<size_t>(y) * stride + static_cast<size_t>(x) * 3];
    }
};

int64_t RowBytes(int64_t width, int32_t depth) {
    const int64_t words = depth == 3 ? 3 * ((width + 31) / 32) : (width * depth + 31) / 32;
    return 4 * words;
}

bool Supported(int32_t depth) {
    return depth == 1 || depth == 3 || depth == 4 || depth == 8 || depth == 16 || depth == 24 ||
           depth == 48;
}

int32_t Coordinate(FuzzedDataProvider& in, const Model& m) {
    if (in.ConsumeBool()) {
        return in.ConsumeIntegralInRange<int32_t>(-2,
                                                  (m.width > m.height ? m.width : m.height) + 2);
    }
    return in.ConsumeIntegral<int32_t>();
}

int32_t Channel(FuzzedDataProvider& in) {
    return in.ConsumeBool() ? in.ConsumeIntegralInRange<int32_t>(0, 255)
                            : in.ConsumeIntegral<int32_t>();
}

uint8_t Saturated(uint8_t stored, int32_t amount) {
    const int64_t sum = static_cast<int64_t>(stored) + amount;
    return static_cast<uint8_t>(sum >= 255 ? 255 : sum);
}

void Compare(const DibImage& image, const Model& m) {
    Check(image.GetWidth() == m.width && image.GetHeight() == m.height);
    Check(image.GetBitsPerPixel() == m.depth && image.GetStride() == m.stride);
    Check((image.GetBits() != nullptr) == m.Lit());
    if (!m.Lit()) {
        return;
    }
    for (int32_t y = 0; y < m.height; ++y) {
        const uint8_t* line = image.GetLine(y);
        // Bottom-up: the top row is the last one in memory.
        Check(line == image.GetBits() + static_cast<size_t>(m.height - 1 - y) * m.stride);
        Check(std::memcmp(line, &m.rows[static_cast<size_t>(y) * m.stride], m.stride) == 0);
    }
}

void Create(FuzzedDataProvider& in, DibImage& image, Model& m) {
    const bool far = in.ConsumeIntegralInRange<int>(0, 7) == 0;
    int32_t width =
        in.ConsumeBool() ? in.PickValueInArray(Sides) : in.ConsumeIntegralInRange(1, 80);
    int32_t height =
        in.ConsumeBool() ? in.PickValueInArray(Sides) : in.ConsumeIntegralInRange(1, 80);
    const int32_t depth = in.PickValueInArray(Depths);
    if (far) {
        width = in.PickValueInArray(FarSides);
    }
    const int64_t stride = RowBytes(width, depth);
    const bool refused =
        !Supported(depth) || width < 1 || height < 1 || stride * 8 > INT32_MAX || stride < 1;
    // Far widths stay only where they are refused: a store of gigabytes is no test of logic.
    if (!refused && stride * height > (int64_t{1} << 22)) {
        return;
    }
    const int32_t result = image.Create(width, height, depth);
    if (!Supported(depth)) {
        Check(result == 0);  // unchanged
        return;
    }
    m = Model();
    if (refused) {
        Check(result == 0);
        return;
    }
    Check(result == 1);
    m.width = width;
    m.height = height;
    m.depth = depth;
    m.stride = static_cast<int32_t>(stride);
    m.rows.assign(static_cast<size_t>(stride) * height, 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    DibImage image;
    Model m;
    Create(in, image, m);
    Compare(image, m);
    while (in.remaining_bytes() > 0) {
        const int op = in.ConsumeIntegralInRange<int>(0, 7);
        const int32_t x = Coordinate(in, m), y = Coordinate(in, m);
        if (op == 0) {
            Create(in, image, m);
        } else if (op == 1) {
            image.Destroy();
            m = Model();
        } else if (op == 2) {
            int32_t rgb[3] = {-7, -7, -7};
            const int32_t result = image.GetPixel(x, y, &rgb[0], &rgb[1], &rgb[2]);
            const bool lit = m.Lit() && m.depth == 24;
            Check(result == (lit && m.Inside(x, y) ? 1 : 0));
            if (!lit) {
                Check(rgb[0] == -7 && rgb[1] == -7 && rgb[2] == -7);
            } else if (!m.Inside(x, y)) {
                Check(rgb[0] == 0 && rgb[1] == 0 && rgb[2] == 0);
            } else {
                const uint8_t* p = m.At(x, y);
                Check(rgb[0] == p[2] && rgb[1] == p[1] && rgb[2] == p[0]);
            }
        } else if (op == 3 || op == 4) {
            const int32_t r = Channel(in), g = Channel(in), b = Channel(in);
            const int32_t result =
                op == 3 ? image.SetPixel(x, y, r, g, b) : image.AddPixel(x, y, r, g, b);
            const bool hit = m.Lit() && m.depth == 24 && m.Inside(x, y);
            Check(result == (hit ? 1 : 0));
            if (hit) {
                uint8_t* p = m.At(x, y);
                if (op == 3) {
                    p[0] = static_cast<uint8_t>(b);
                    p[1] = static_cast<uint8_t>(g);
                    p[2] = static_cast<uint8_t>(r);
                } else {
                    p[0] = Saturated(p[0], b);
                    p[1] = Saturated(p[1], g);
                    p[2] = Saturated(p[2], r);
                }
            }
        } else if (op == 5 || op == 6) {
            const int32_t x1 = Coordinate(in, m), y1 = Coordinate(in, m);
            const int32_t r = Channel(in), g = Channel(in), b = Channel(in);
            int32_t top = y, bottom = y;
            if (op == 5) {
                image.FillLine(x, x1, y, r, g, b);
            } else {
                image.FillRect(x, y, x1, y1, r, g, b);
                top = y < y1 ? y : y1;
                bottom = y < y1 ? y1 : y;
            }
            if (m.Lit() && m.depth == 24) {
                const int32_t left = x < x1 ? x : x1, right = x < x1 ? x1 : x;
                for (int32_t py = 0; py < m.height; ++py) {
                    for (int32_t px = 0; px < m.width; ++px) {
                        if (py >= top && py <= bottom && px >= left && px <= right) {
                            uint8_t* p = m.At(px, py);
                            p[0] = static_cast<uint8_t>(b);
                            p[1] = static_cast<uint8_t>(g);
                            p[2] = static_cast<uint8_t>(r);
                        }
                    }
                }
            }
        } else {
            const uint8_t* line = image.GetLine(y);
            Check((line != nullptr) == (m.Lit() && y >= 0 && y < m.height));
        }
        Compare(image, m);
    }
    return 0;
}
