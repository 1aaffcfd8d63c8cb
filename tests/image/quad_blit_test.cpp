// The textured quad blit: its edge cases, hand-worked where they are small, and the
// production MapQuad and MapSpan compared byte for byte with the literal reference
// (tests/reference/reference_blit.cpp) on a table of cases and on thousands of random ones.
#include "image/quad_blit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "image/dib_image.h"
#include "reference_blit.h"

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/asan_interface.h>
#define TORVEX_POISON(p, n) ASAN_POISON_MEMORY_REGION((p), (n))
#define TORVEX_UNPOISON(p, n) ASAN_UNPOISON_MEMORY_REGION((p), (n))
#else
#define TORVEX_POISON(p, n) ((void)(p), (void)(n))
#define TORVEX_UNPOISON(p, n) ((void)(p), (void)(n))
#endif

namespace {

// ------------------------------------------------------------------------------------------
// Images

struct Rgb {
    int32_t r, g, b;
    bool operator==(const Rgb& o) const { return r == o.r && g == o.g && b == o.b; }
};

std::ostream& operator<<(std::ostream& os, const Rgb& c) {
    return os << "(" << c.r << "," << c.g << "," << c.b << ")";
}

size_t StoreBytes(const DibImage& image) {
    return static_cast<size_t>(image.GetStride()) * static_cast<size_t>(image.GetHeight());
}

void CopyImage(DibImage& to, const DibImage& from) {
    ASSERT_EQ(1, to.Create(from.GetWidth(), from.GetHeight(), from.GetBitsPerPixel()));
    std::memcpy(to.GetBits(), from.GetBits(), StoreBytes(from));
}

Rgb At(const DibImage& image, int32_t x, int32_t y) {
    Rgb c{0, 0, 0};
    image.GetPixel(x, y, &c.r, &c.g, &c.b);
    return c;
}

// Pixel (x, y) of the coded source: red and green name the column and the row, so a drawn
// pixel tells which source pixel it took. Never black.
Rgb Code(int32_t x, int32_t y) {
    return {1 + x % 250, 1 + y % 250, 77};
}

void FillCoded(DibImage& image) {
    for (int32_t y = 0; y < image.GetHeight(); ++y) {
        for (int32_t x = 0; x < image.GetWidth(); ++x) {
            const Rgb c = Code(x, y);
            image.SetPixel(x, y, c.r, c.g, c.b);
        }
    }
}

void Fill(DibImage& image, Rgb c) {
    image.FillRect(0, 0, image.GetWidth() - 1, image.GetHeight() - 1, c.r, c.g, c.b);
}

// A saturating add of the source pixel (sx, sy) at (x, y), for building expected images.
void Expect(DibImage& expected, int32_t x, int32_t y, const DibImage& source, int32_t sx,
            int32_t sy) {
    const Rgb c = At(source, sx, sy);
    expected.AddPixel(x, y, c.r, c.g, c.b);
}

// The first pixel in which two images of one size differ, or "" when their stores are equal.
std::string FirstDifference(const DibImage& a, const DibImage& b) {
    if (a.GetWidth() != b.GetWidth() || a.GetHeight() != b.GetHeight()) {
        return "sizes differ";
    }
    if (std::memcmp(a.GetBits(), b.GetBits(), StoreBytes(a)) == 0) {
        return "";
    }
    for (int32_t y = 0; y < a.GetHeight(); ++y) {
        for (int32_t x = 0; x < a.GetWidth(); ++x) {
            const Rgb ca = At(a, x, y), cb = At(b, x, y);
            if (!(ca == cb)) {
                std::ostringstream os;
                os << "pixel (" << x << "," << y << "): " << ca << " against " << cb;
                return os.str();
            }
        }
    }
    return "padding bytes differ";
}

std::string Describe(const Quad& q) {
    std::ostringstream os;
    for (int k = 0; k < 4; ++k) {
        os << (k ? " " : "") << "(" << q.p[k].x << "," << q.p[k].y << ")";
    }
    return os.str();
}

Quad Square(int32_t cx, int32_t cy, int32_t h) {
    return Quad{{{cx - h, cy - h}, {cx + h, cy - h}, {cx + h, cy + h}, {cx - h, cy + h}}};
}

const Quad FrameQuad{{{0, 0}, {193, 0}, {193, 193}, {0, 193}}};

// Production and reference on copies of destination; the production result is left in
// destination. Returns the first difference, "" when they agree byte for byte.
std::string DrawBoth(DibImage& destination, const Quad& dq, const DibImage& source, const Quad& sq,
                     ReferenceBlitCounts* counts = nullptr) {
    DibImage reference;
    CopyImage(reference, destination);
    ReferenceMapQuad(reference, dq, source, sq, counts);
    MapQuad(destination, dq, source, sq);
    return FirstDifference(destination, reference);
}

// As DrawBoth, with production given the source's lit extents and a record of capacity rows;
// also checks that every pixel the call changed lies where its record says.
std::string DrawAided(DibImage& destination, const Quad& dq, const DibImage& source, const Quad& sq,
                      int32_t capacity) {
    std::vector<LitExtent> extents(static_cast<size_t>(source.GetHeight()));
    if (MeasureLitExtents(source, extents.data()) != 1) {
        return "extents not measured";
    }
    std::vector<ColumnSpan> spans(static_cast<size_t>(capacity) + 1);
    DrawnRows drawn{-7, -7, capacity, spans.data()};
    DibImage before, reference;
    CopyImage(before, destination);
    CopyImage(reference, destination);
    ReferenceMapQuad(reference, dq, source, sq);
    MapQuad(destination, dq, source, sq, extents.data(), &drawn);
    const std::string diff = FirstDifference(destination, reference);
    if (!diff.empty() || drawn.rowCount == -1) {
        return diff;  // -1: the rows did not fit, and nothing is claimed
    }
    if (drawn.rowCount < 0 || drawn.rowCount > capacity) {
        return "record of " + std::to_string(drawn.rowCount) + " rows";
    }
    for (int32_t y = 0; y < destination.GetHeight(); ++y) {
        for (int32_t x = 0; x < destination.GetWidth(); ++x) {
            if (At(destination, x, y) == At(before, x, y)) {
                continue;
            }
            const int32_t i = y - drawn.firstRow;
            if (i < 0 || i >= drawn.rowCount || x < spans[i].first || x > spans[i].last) {
                return "pixel (" + std::to_string(x) + "," + std::to_string(y) +
                       ") changed outside the record";
            }
        }
    }
    return "";
}

// ------------------------------------------------------------------------------------------
// Edge cases: each draws with production and reference alike, then checks the
// production result against an image built by hand from the case's rule.

// Whether a case's quad may read the source at all.
enum class Reads { Source, Nothing };

struct BlitCase {
    const char* name;
    int32_t dw, dh;
    Rgb dstFill;
    int32_t sw, sh;  // coded source
    Quad dq, sq;
    // Builds the expected image from the one before the blit.
    std::function<void(DibImage& expected, const DibImage& source)> expect;
    // Compares the drawn destination with the expected image, wholly or where the case says.
    std::function<void(const DibImage& drawn, const DibImage& expected)> check;
    Reads reads;
};

void PrintTo(const BlitCase& c, std::ostream* os) {
    *os << c.name;
}

void Nothing(DibImage&, const DibImage&) {}

void WholeImage(const DibImage& drawn, const DibImage& expected) {
    EXPECT_EQ("", FirstDifference(drawn, expected));
}

const BlitCase kBlitCases[] = {
    {"CompositorSquareH100",
     800,
     600,
     {0, 0, 0},
     193,
     193,
     Square(400, 300, 100),
     FrameQuad,
     [](DibImage& e, const DibImage& s) {
         // Rows and columns cy - h .. cy + h are visited; the last row and column sample row
         // and column 193, outside the frame: exactly 2h x 2h pixels take colour.
         for (int32_t m = 0; m < 200; ++m) {
             for (int32_t k = 0; k < 200; ++k) {
                 Expect(e, 300 + k, 200 + m, s, k * 193 / 200, m * 193 / 200);
             }
         }
     },
     WholeImage,
     Reads::Source},
    {"CompositorSquareH76OnScreen",
     1920,
     1080,
     {0, 0, 0},
     193,
     193,
     Square(1000, 500, 76),
     FrameQuad,
     [](DibImage& e, const DibImage& s) {
         for (int32_t m = 0; m < 152; ++m) {
             for (int32_t k = 0; k < 152; ++k) {
                 Expect(e, 924 + k, 424 + m, s, k * 193 / 152, m * 193 / 152);
             }
         }
     },
     WholeImage,
     Reads::Source},
    {"CompositorSquareH172OnScreen",
     1920,
     1080,
     {0, 0, 0},
     193,
     193,
     Square(172, 907, 172),
     FrameQuad,
     [](DibImage& e, const DibImage& s) {
         for (int32_t m = 0; m < 344; ++m) {
             for (int32_t k = 0; k < 344; ++k) {
                 Expect(e, k, 735 + m, s, k * 193 / 344, m * 193 / 344);
             }
         }
     },
     WholeImage,
     Reads::Source},
    {"SquarePartlyOffBeginsAtOriginWithSource86",
     800,
     600,
     {0, 0, 0},
     193,
     193,
     Square(10, 10, 96),
     FrameQuad,
     [](DibImage& e, const DibImage& s) {
         // Visible pixel (x, y) is pixel (x + 86, y + 86) of the whole square: (0, 0) samples
         // (86, 86); column and row 106 sample 193.
         for (int32_t y = 0; y <= 105; ++y) {
             for (int32_t x = 0; x <= 105; ++x) {
                 Expect(e, x, y, s, (x + 86) * 193 / 192, (y + 86) * 193 / 192);
             }
         }
     },
     WholeImage,
     Reads::Source},
    {"WhollyLeft",
     50,
     40,
     {9, 9, 9},
     20,
     20,
     Square(-11, 20, 10),
     FrameQuad,
     Nothing,
     WholeImage,
     Reads::Nothing},
    {"WhollyRight",
     50,
     40,
     {9, 9, 9},
     20,
     20,
     Square(60, 20, 10),
     FrameQuad,
     Nothing,
     WholeImage,
     Reads::Nothing},
    {"WhollyAbove",
     50,
     40,
     {9, 9, 9},
     20,
     20,
     Square(20, -11, 10),
     FrameQuad,
     Nothing,
     WholeImage,
     Reads::Nothing},
    {"WhollyBelow",
     50,
     40,
     {9, 9, 9},
     20,
     20,
     Square(20, 50, 10),
     FrameQuad,
     Nothing,
     WholeImage,
     Reads::Nothing},
    {"WhollyFarOff",
     50,
     40,
     {9, 9, 9},
     20,
     20,
     Square(-2000000000, 1000000000, 100000000),
     FrameQuad,
     Nothing,
     WholeImage,
     Reads::Nothing},
    {"TouchingLeftColumnDrawsThere",
     50,
     40,
     {0, 0, 0},
     20,
     20,
     Quad{{{-20, 0}, {0, 0}, {0, 20}, {-20, 20}}},
     Quad{{{0, 0}, {19, 0}, {19, 19}, {0, 19}}},
     [](DibImage& e, const DibImage& s) {
         // Column 0 is the last column of each span and samples source column 19.
         for (int32_t y = 0; y <= 20; ++y) {
             Expect(e, 0, y, s, 19, y * 19 / 20);
         }
     },
     WholeImage,
     Reads::Source},
    {"TouchingTopRowDrawsThere",
     50,
     40,
     {0, 0, 0},
     20,
     20,
     Quad{{{0, -20}, {20, -20}, {20, 0}, {0, 0}}},
     Quad{{{0, 0}, {20, 0}, {20, 19}, {0, 19}}},
     [](DibImage& e, const DibImage& s) {
         // Row 0 is the quad's last row and samples source row 19 (the source quad ends there).
         for (int32_t x = 0; x < 20; ++x) {
             Expect(e, x, 0, s, x, 19);
         }
     },
     WholeImage,
     Reads::Source},
    {"SourceWhoseRowsHaveNoPaddingReadToItsLastByte",
     20,
     10,
     {0, 0, 0},
     4,
     4,
     Quad{{{0, 0}, {15, 0}, {15, 7}, {0, 7}}},
     Quad{{{0, 0}, {3, 0}, {3, 3}, {0, 3}}},
     [](DibImage& e, const DibImage& s) {
         // 4 x 4 pixels: a stride of 12, no padding. Row 0 is the last in memory, and its last
         // pixel ends the store.
         for (int32_t y = 0; y <= 7; ++y) {
             for (int32_t x = 0; x <= 15; ++x) {
                 Expect(e, x, y, s, x * 3 / 15, y * 3 / 7);
             }
         }
     },
     WholeImage,
     Reads::Source},
    {"WideSpanOfTheRowCache",
     2040,
     3,
     {5, 0, 250},
     700,
     3,
     Quad{{{0, 0}, {2039, 0}, {2039, 2}, {0, 2}}},
     Quad{{{0, 0}, {700, 0}, {700, 3}, {0, 3}}},
     [](DibImage& e, const DibImage& s) {
         for (int32_t y = 0; y <= 1; ++y) {  // row 2 samples source row 3
             for (int32_t x = 0; x < 2040; ++x) {
                 Expect(e, x, y, s, x * 700 / 2039, y * 3 / 2);
             }
         }
     },
     WholeImage,
     Reads::Source},
    {"SpanWiderThanTheRowCache",
     2600,
     3,
     {5, 0, 250},
     700,
     3,
     Quad{{{2599, 0}, {0, 0}, {0, 2}, {2599, 2}}},
     Quad{{{0, 0}, {700, 0}, {700, 3}, {0, 3}}},
     [](DibImage& e, const DibImage& s) {
         // Mirrored: the span runs from column 0 at source column 700 (outside) to column
         // 2599 at source column 0.
         for (int32_t y = 0; y <= 1; ++y) {
             for (int32_t x = 0; x < 2600; ++x) {
                 Expect(e, x, y, s, 700 - x * 700 / 2599, y * 3 / 2);
             }
         }
     },
     WholeImage,
     Reads::Source},
    {"AllCornersOnOneRow",
     50,
     40,
     {9, 9, 9},
     20,
     20,
     Quad{{{10, 5}, {40, 5}, {30, 5}, {0, 5}}},
     FrameQuad,
     Nothing,
     WholeImage,
     Reads::Nothing},
    {"DiamondTipsDrawOnePixelWithTheVertexSample",
     50,
     40,
     {0, 0, 0},
     11,
     11,
     Quad{{{20, 10}, {30, 20}, {20, 30}, {10, 20}}},
     Quad{{{5, 0}, {10, 5}, {5, 10}, {0, 5}}},
     [](DibImage& e, const DibImage& s) {
         // The tip rows 10 and 30 draw one pixel each; the rows between are the reference's.
         Expect(e, 20, 10, s, 5, 0);
         Expect(e, 20, 30, s, 5, 10);
     },
     [](const DibImage& drawn, const DibImage& expected) {
         for (int32_t y : {10, 30}) {
             for (int32_t x = 0; x < drawn.GetWidth(); ++x) {
                 EXPECT_EQ(At(expected, x, y), At(drawn, x, y)) << x << "," << y;
             }
         }
     },
     Reads::Source},
    {"OneColumnDrawsOnePixelPerRowWithTheLeftSample",
     50,
     40,
     {0, 0, 0},
     10,
     21,
     Quad{{{15, 5}, {15, 25}, {15, 25}, {15, 5}}},
     Quad{{{0, 0}, {0, 20}, {9, 20}, {9, 0}}},
     [](DibImage& e, const DibImage& s) {
         // P0->P1 comes first and keeps its sample (0, y - 5) against P2->P3's (9, 25 - y).
         for (int32_t y = 5; y <= 25; ++y) {
             Expect(e, 15, y, s, 0, y - 5);
         }
     },
     WholeImage,
     Reads::Source},
    {"SelfCrossingBowtieFillsBetweenOutermostCrossings",
     30,
     30,
     {0, 0, 0},
     11,
     11,
     Quad{{{0, 0}, {20, 0}, {0, 20}, {20, 20}}},
     Quad{{{0, 0}, {10, 0}, {10, 10}, {0, 10}}},
     [](DibImage& e, const DibImage& s) {
         // Crossings at 20 - y (P1->P2) and y (P3->P0). At row 10 both cross column 10 and
         // P1->P2, the earlier edge, gives the sample: the midpoint (10, 5) of S1 and S2, not
         // (0, 5) of S3 and S0. Other rows: see the row counts below the table.
         Expect(e, 10, 10, s, 10, 5);
     },
     [](const DibImage& drawn, const DibImage& expected) {
         for (int32_t y = 0; y <= 20; ++y) {
             int32_t lit = 0;
             for (int32_t x = 0; x < drawn.GetWidth(); ++x) {
                 lit += At(drawn, x, y) == Rgb{0, 0, 0} ? 0 : 1;
             }
             EXPECT_EQ(std::abs(20 - 2 * y) + 1, lit) << "row " << y;
         }
         EXPECT_EQ(At(expected, 10, 10), At(drawn, 10, 10));
     },
     Reads::Source},
    {"NonConvexChevronFillsItsNotch",
     30,
     30,
     {0, 0, 0},
     21,
     21,
     Quad{{{0, 0}, {10, 15}, {20, 0}, {10, 20}}},
     Quad{{{0, 0}, {10, 15}, {20, 0}, {10, 20}}},
     [](DibImage& e, const DibImage& s) {
         // Row 5 crosses at 3 (P0->P1), 16, 18 (P2->P3) and 3 (P3->P0): filled 3..18 over
         // the notch 4..15. P0->P1 wins the tie at column 3 with sample (3, 5) (P3->P0 would
         // give (2, 5)); the right end samples (17, 5). Row 5 is checked whole.
         for (int32_t x = 3; x <= 18; ++x) {
             Expect(e, x, 5, s, 3 + (x - 3) * 14 / 15, 5);
         }
     },
     [](const DibImage& drawn, const DibImage& expected) {
         for (int32_t x = 0; x < drawn.GetWidth(); ++x) {
             EXPECT_EQ(At(expected, x, 5), At(drawn, x, 5)) << x;
         }
     },
     Reads::Source},
    {"RunMappingPastTheSourceAddsNothing",
     50,
     20,
     {1, 2, 3},
     10,
     10,
     Quad{{{0, 0}, {39, 0}, {39, 9}, {0, 9}}},
     Quad{{{0, 0}, {40, 0}, {40, 10}, {0, 10}}},
     [](DibImage& e, const DibImage& s) {
         // Columns 10..39 sample x * 40 / 39 >= 10 and row 9 samples 10: outside the source.
         for (int32_t y = 0; y <= 8; ++y) {
             for (int32_t x = 0; x <= 9; ++x) {
                 Expect(e, x, y, s, x * 40 / 39, y * 10 / 9);
             }
         }
     },
     WholeImage,
     Reads::Source},
    {"RunMappingBeforeTheSourceAddsNothing",
     50,
     20,
     {1, 2, 3},
     10,
     10,
     Quad{{{0, 0}, {39, 0}, {39, 9}, {0, 9}}},
     Quad{{{-30, 0}, {9, 0}, {9, 9}, {-30, 9}}},
     [](DibImage& e, const DibImage& s) {
         for (int32_t y = 0; y <= 9; ++y) {
             for (int32_t x = 30; x <= 39; ++x) {
                 Expect(e, x, y, s, x - 30, y);
             }
         }
     },
     WholeImage,
     Reads::Source},
    {"MirroredSquareDrawsTheSourceMirrored",
     40,
     40,
     {0, 0, 0},
     20,
     20,
     Quad{{{29, 5}, {10, 5}, {10, 24}, {29, 24}}},
     Quad{{{0, 0}, {19, 0}, {19, 19}, {0, 19}}},
     [](DibImage& e, const DibImage& s) {
         for (int32_t y = 5; y <= 24; ++y) {
             for (int32_t x = 10; x <= 29; ++x) {
                 Expect(e, x, y, s, 29 - x, y - 5);
             }
         }
     },
     WholeImage,
     Reads::Source},
};

class BlitCaseTest : public testing::TestWithParam<BlitCase> {};

TEST_P(BlitCaseTest, MatchesHandWorkedPixelsAndTheReference) {
    const BlitCase& c = GetParam();
    DibImage source;
    ASSERT_EQ(1, source.Create(c.sw, c.sh, 24));
    FillCoded(source);
    DibImage destination;
    ASSERT_EQ(1, destination.Create(c.dw, c.dh, 24));
    Fill(destination, c.dstFill);
    DibImage expected;
    CopyImage(expected, destination);
    c.expect(expected, source);

    ReferenceBlitCounts counts;
    EXPECT_EQ("", DrawBoth(destination, c.dq, source, c.sq, &counts)) << Describe(c.dq);
    c.check(destination, expected);
    if (c.reads == Reads::Nothing) {
        EXPECT_EQ(0, counts.reads);
        EXPECT_EQ(0, counts.spans);
    }
}

INSTANTIATE_TEST_SUITE_P(QuadBlit, BlitCaseTest, testing::ValuesIn(kBlitCases),
                         [](const testing::TestParamInfo<BlitCase>& info) {
                             return std::string(info.param.name);
                         });

// ------------------------------------------------------------------------------------------
// Further edge cases.

TEST(QuadBlit, WhollyOffQuadsReadNoSourcePixel) {
    // The source's store is poisoned under ASan: any read of it fails the test.
    DibImage source;
    ASSERT_EQ(1, source.Create(20, 20, 24));
    FillCoded(source);
    DibImage destination;
    ASSERT_EQ(1, destination.Create(50, 40, 24));
    DibImage before;
    CopyImage(before, destination);
    const Quad off[] = {Square(-11, 20, 10), Square(60, 20, 10), Square(20, -11, 10),
                        Square(20, 50, 10), Quad{{{10, 5}, {40, 5}, {30, 5}, {0, 5}}}};
    TORVEX_POISON(source.GetBits(), StoreBytes(source));
    for (const Quad& q : off) {
        MapQuad(destination, q, source, FrameQuad);
    }
    TORVEX_UNPOISON(source.GetBits(), StoreBytes(source));
    EXPECT_EQ("", FirstDifference(destination, before));
}

TEST(QuadBlit, BlackNeverChangesTheDestination) {
    DibImage source;
    ASSERT_EQ(1, source.Create(193, 193, 24));  // black
    DibImage destination;
    ASSERT_EQ(1, destination.Create(300, 300, 24));
    uint32_t v = 12345;
    for (size_t k = 0; k < StoreBytes(destination); ++k) {
        v = v * 1103515245u + 12345u;
        destination.GetBits()[k] = static_cast<uint8_t>(v >> 24);
    }
    DibImage before;
    CopyImage(before, destination);
    MapQuad(destination, Square(150, 150, 120), source, FrameQuad);
    MapSpan(destination, 0, 299, 7, source, 0, 0, 192, 192);
    EXPECT_EQ("", FirstDifference(destination, before));
}

TEST(QuadBlit, AdditionSaturatesChannelByChannel) {
    DibImage source;
    ASSERT_EQ(1, source.Create(193, 193, 24));
    Fill(source, {10, 10, 10});
    DibImage destination;
    ASSERT_EQ(1, destination.Create(400, 300, 24));
    Fill(destination, {250, 100, 0});
    MapQuad(destination, Square(200, 150, 100), source, FrameQuad);
    EXPECT_EQ((Rgb{255, 110, 10}), At(destination, 100, 50));
    EXPECT_EQ((Rgb{255, 110, 10}), At(destination, 299, 249));
    EXPECT_EQ((Rgb{250, 100, 0}), At(destination, 300, 250));  // samples row and column 193
    EXPECT_EQ((Rgb{250, 100, 0}), At(destination, 99, 49));
}

TEST(QuadBlit, PartlyOffPixelsTakeTheSampleOfALargerDestination) {
    DibImage source;
    ASSERT_EQ(1, source.Create(193, 193, 24));
    FillCoded(source);
    DibImage small, large;
    ASSERT_EQ(1, small.Create(800, 600, 24));
    ASSERT_EQ(1, large.Create(1000, 800, 24));
    MapQuad(small, Square(10, 10, 96), source, FrameQuad);
    MapQuad(large, Square(210, 210, 96), source, FrameQuad);
    EXPECT_EQ(Code(86, 86), At(small, 0, 0));
    for (int32_t y = 0; y < 120; ++y) {
        for (int32_t x = 0; x < 120; ++x) {
            ASSERT_EQ(At(large, x + 200, y + 200), At(small, x, y)) << x << "," << y;
        }
    }
}

TEST(QuadBlit, OnePixelSpanSamplesItsStart) {
    DibImage source;
    ASSERT_EQ(1, source.Create(10, 10, 24));
    FillCoded(source);
    DibImage destination;
    ASSERT_EQ(1, destination.Create(10, 10, 24));
    MapSpan(destination, 5, 5, 3, source, 2, 3, 1000, -1000);
    MapSpan(destination, 6, 6, 3, source, -1, 3, 2, 3);  // start outside: nothing
    DibImage expected;
    ASSERT_EQ(1, expected.Create(10, 10, 24));
    Expect(expected, 5, 3, source, 2, 3);
    EXPECT_EQ("", FirstDifference(destination, expected));
}

TEST(QuadBlit, SpanEndsInEitherOrderAndClippingNeverShifts) {
    DibImage source;
    ASSERT_EQ(1, source.Create(20, 20, 24));
    FillCoded(source);
    DibImage destination;
    ASSERT_EQ(1, destination.Create(10, 4, 24));
    MapSpan(destination, 9, 0, 0, source, 0, 0, 9, 0);     // x0 right of x1: mirrored
    MapSpan(destination, -5, 14, 1, source, 0, 1, 19, 1);  // clipped both sides
    MapSpan(destination, 14, -5, 2, source, 19, 2, 0, 2);  // the same, ends swapped
    DibImage expected;
    ASSERT_EQ(1, expected.Create(10, 4, 24));
    for (int32_t x = 0; x < 10; ++x) {
        Expect(expected, x, 0, source, 9 - x, 0);
        Expect(expected, x, 1, source, x + 5, 1);
        Expect(expected, x, 2, source, x + 5, 2);
    }
    EXPECT_EQ("", FirstDifference(destination, expected));
}

TEST(QuadBlit, ImagesThatCannotBeDrawnDrawNothing) {
    DibImage coded, grey, empty, destination;
    ASSERT_EQ(1, coded.Create(20, 20, 24));
    FillCoded(coded);
    ASSERT_EQ(1, grey.Create(20, 20, 8));
    std::memset(grey.GetBits(), 0x55, StoreBytes(grey));
    ASSERT_EQ(1, destination.Create(20, 20, 24));
    const Quad q = Quad{{{0, 0}, {19, 0}, {19, 19}, {0, 19}}};
    MapQuad(destination, q, grey, q);
    MapQuad(destination, q, empty, q);
    MapSpan(destination, 0, 19, 3, grey, 0, 0, 19, 19);
    MapSpan(destination, 0, 19, 3, empty, 0, 0, 19, 19);
    DibImage black;
    ASSERT_EQ(1, black.Create(20, 20, 24));
    EXPECT_EQ("", FirstDifference(destination, black));
    MapQuad(empty, q, coded, q);
    MapQuad(grey, q, coded, q);
    MapSpan(grey, 0, 19, 3, coded, 0, 0, 19, 19);
    for (size_t k = 0; k < StoreBytes(grey); ++k) {
        ASSERT_EQ(0x55, grey.GetBits()[k]);
    }
}

TEST(QuadBlit, OntoItselfMatchesTheReference) {
    // The remembered colour shows when a span reads pixels it has just added to.
    DibImage image, reference;
    ASSERT_EQ(1, image.Create(40, 30, 24));
    FillCoded(image);
    CopyImage(reference, image);
    const Quad dq{{{3, 2}, {35, 4}, {30, 28}, {1, 25}}};
    const Quad sq{{{0, 0}, {12, 0}, {12, 12}, {0, 12}}};
    MapQuad(image, dq, image, sq);
    ReferenceMapQuad(reference, dq, reference, sq);
    EXPECT_EQ("", FirstDifference(image, reference));
    MapSpan(image, 0, 39, 5, image, 0, 0, 20, 0);
    ReferenceMapSpan(reference, 0, 39, 5, reference, 0, 0, 20, 0);
    EXPECT_EQ("", FirstDifference(image, reference));
}

TEST(QuadBlit, LitExtentsNameEachRowsFirstAndLastPixelThatIsNotBlack) {
    // 70 pixels wide: the vector scan's blocks of 64 and 16 and the scalar tail all see pixels.
    DibImage image;
    ASSERT_EQ(1, image.Create(70, 7, 24));
    image.SetPixel(5, 1, 0, 0, 1);  // blue alone
    image.SetPixel(0, 2, 1, 0, 0);
    image.SetPixel(69, 2, 0, 1, 0);
    image.FillLine(17, 40, 3, 9, 9, 9);
    image.SetPixel(66, 4, 200, 0, 0);  // the tail only
    image.SetPixel(63, 5, 3, 0, 0);    // the last pixel of the first 64-pixel block
    image.SetPixel(64, 5, 0, 0, 3);
    const LitExtent want[7] = {{1, 0}, {5, 5}, {0, 69}, {17, 40}, {66, 66}, {63, 64}, {1, 0}};
    LitExtent got[7];
    ASSERT_EQ(1, MeasureLitExtents(image, got));
    for (int32_t y = 0; y < 7; ++y) {
        if (want[y].first > want[y].last) {
            EXPECT_GT(got[y].first, got[y].last) << "row " << y;
        } else {
            EXPECT_EQ(want[y].first, got[y].first) << "row " << y;
            EXPECT_EQ(want[y].last, got[y].last) << "row " << y;
        }
    }
    // Images it cannot describe: nothing is written.
    DibImage grey, empty;
    ASSERT_EQ(1, grey.Create(4, 7, 8));
    LitExtent untouched[7] = {{-5, -5}, {-5, -5}, {-5, -5}, {-5, -5}, {-5, -5}, {-5, -5}, {-5, -5}};
    EXPECT_EQ(0, MeasureLitExtents(grey, untouched));
    EXPECT_EQ(0, MeasureLitExtents(empty, untouched));
    EXPECT_EQ(-5, untouched[0].first);
}

TEST(QuadBlit, ExactArithmeticWhereThirtyTwoBitProductsOverflow) {
    // trunc(a * b / c) formed exactly for factors up to 2^32 - 1.
    EXPECT_EQ(4294967295LL, ReferenceProductQuotient(4294967295LL, 4294967295LL, 4294967295LL));
    EXPECT_EQ(-2147483647LL, ReferenceProductQuotient(4294967294LL, -4294967295LL, 8589934590LL));
    EXPECT_EQ(-1, ReferenceProductQuotient(-3, 1, 2));
    EXPECT_EQ(0, ReferenceProductQuotient(-1, 1, 2));
    // A span from one end of the 32-bit range to the other.
    DibImage source, destination, reference;
    ASSERT_EQ(1, source.Create(16, 16, 24));
    FillCoded(source);
    ASSERT_EQ(1, destination.Create(16, 4, 24));
    CopyImage(reference, destination);
    MapSpan(destination, -2147483647 - 1, 2147483647, 1, source, 2147483647, 0, -2147483647 - 1,
            15);
    ReferenceMapSpan(reference, -2147483647 - 1, 2147483647, 1, source, 2147483647, 0,
                     -2147483647 - 1, 15);
    EXPECT_EQ("", FirstDifference(destination, reference));
}

// ------------------------------------------------------------------------------------------
// Differential tests: seeded random cases, production against reference, byte for byte.

class Random {
public:
    explicit Random(uint64_t seed) : state(seed) {}
    uint64_t Next() {
        state += 0x9E3779B97F4A7C15ull;
        uint64_t z = state;
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // lo..hi inclusive.
    int64_t Range(int64_t lo, int64_t hi) {
        return lo + static_cast<int64_t>(Next() % static_cast<uint64_t>(hi - lo + 1));
    }
    bool Chance(int percent) { return Range(0, 99) < percent; }
    int32_t Int32() { return static_cast<int32_t>(static_cast<uint32_t>(Next())); }

private:
    uint64_t state;
};

void FillRandomBytes(DibImage& image, Random& rng) {
    uint8_t* p = image.GetBits();
    for (size_t k = 0; k < StoreBytes(image); ++k) {
        p[k] = static_cast<uint8_t>(rng.Next());
    }
}

// Sources of several kinds: noise, sparse runs, a warm disc, channels that are often zero,
// black.
void FillRandomSource(DibImage& image, Random& rng) {
    const int32_t w = image.GetWidth(), h = image.GetHeight();
    switch (rng.Range(0, 5)) {
        case 0:
            FillRandomBytes(image, rng);
            break;
        case 1:  // sparse lit runs
            for (int32_t y = 0; y < h; ++y) {
                for (int32_t x = 0; x < w; ++x) {
                    if (rng.Chance(8)) {
                        const int32_t len = static_cast<int32_t>(rng.Range(1, 12));
                        for (int32_t k = 0; k < len && x < w; ++k, ++x) {
                            image.SetPixel(x, y, static_cast<int32_t>(rng.Range(0, 255)),
                                           static_cast<int32_t>(rng.Range(0, 3)),
                                           static_cast<int32_t>(rng.Range(0, 1)));
                        }
                    }
                }
            }
            break;
        case 2: {  // a warm disc
            const double cx = static_cast<double>(rng.Range(0, w)),
                         cy = static_cast<double>(rng.Range(0, h));
            const double r = static_cast<double>(rng.Range(0, w + h)) / 3.0;
            for (int32_t y = 0; y < h; ++y) {
                for (int32_t x = 0; x < w; ++x) {
                    const double dd = std::hypot(x - cx, y - cy);
                    if (dd < r) {
                        const int32_t t = static_cast<int32_t>(255.0 * (1.0 - dd / r));
                        image.SetPixel(x, y, 255, t, t / 3);
                    }
                }
            }
            break;
        }
        case 3:  // one channel at a time, single lit pixels between black ones
            for (int32_t y = 0; y < h; ++y) {
                for (int32_t x = 0; x < w; ++x) {
                    const int32_t c = static_cast<int32_t>(rng.Range(0, 5));
                    if (c < 3) {
                        image.SetPixel(x, y, c == 0 ? 1 : 0, c == 1 ? 200 : 0, c == 2 ? 9 : 0);
                    }
                }
            }
            break;
        case 4:
            FillCoded(image);
            break;
        default:
            break;  // black
    }
}

int32_t Coordinate(Random& rng, int32_t extent) {
    switch (rng.Range(0, 9)) {
        case 0:
            return rng.Int32();  // anywhere in the 32-bit range
        case 1:
            return static_cast<int32_t>(rng.Range(-3 * extent - 10, 4 * extent + 10));
        default:
            return static_cast<int32_t>(rng.Range(-extent / 2 - 2, extent + extent / 2 + 2));
    }
}

// A destination quad of one of the shapes of the blit's edge cases.
Quad RandomDestinationQuad(Random& rng, int32_t w, int32_t h) {
    const int32_t cx = static_cast<int32_t>(rng.Range(-w / 3 - 5, w + w / 3 + 5));
    const int32_t cy = static_cast<int32_t>(rng.Range(-h / 3 - 5, h + h / 3 + 5));
    const int32_t rx = static_cast<int32_t>(rng.Range(0, w + 8));
    const int32_t ry = rng.Chance(50) ? rx : static_cast<int32_t>(rng.Range(0, h + 8));
    Quad q{};
    switch (rng.Range(0, 9)) {
        case 0:
        case 1:  // axis-aligned, the compositor's corner order
            q = Quad{
                {{cx - rx, cy - ry}, {cx + rx, cy - ry}, {cx + rx, cy + ry}, {cx - rx, cy + ry}}};
            if (rng.Chance(30)) {  // nearly: one coordinate of one corner moved
                int32_t& c = rng.Chance(50) ? q.p[rng.Range(0, 3)].x : q.p[rng.Range(0, 3)].y;
                c += static_cast<int32_t>(rng.Chance(50) ? rng.Range(1, 3) : -rng.Range(1, 3));
            }
            break;
        case 2:  // mirrored either way
            q = rng.Chance(50) ? Quad{{{cx + rx, cy - ry},
                                       {cx - rx, cy - ry},
                                       {cx - rx, cy + ry},
                                       {cx + rx, cy + ry}}}
                               : Quad{{{cx - rx, cy + ry},
                                       {cx + rx, cy + ry},
                                       {cx + rx, cy - ry},
                                       {cx - rx, cy - ry}}};
            break;
        case 3: {  // rotated
            const double a = static_cast<double>(rng.Range(0, 6283)) / 1000.0;
            const double c = std::cos(a), s = std::sin(a);
            const double px[4] = {-1, 1, 1, -1}, py[4] = {-1, -1, 1, 1};
            for (int k = 0; k < 4; ++k) {
                q.p[k].x = cx + static_cast<int32_t>(std::lround(rx * (px[k] * c - py[k] * s)));
                q.p[k].y = cy + static_cast<int32_t>(std::lround(ry * (px[k] * s + py[k] * c)));
            }
            break;
        }
        case 4: {  // sheared horizontally or vertically
            const int32_t sh = static_cast<int32_t>(rng.Range(-w, w));
            q = rng.Chance(50) ? Quad{{{cx - rx + sh, cy - ry},
                                       {cx + rx + sh, cy - ry},
                                       {cx + rx, cy + ry},
                                       {cx - rx, cy + ry}}}
                               : Quad{{{cx - rx, cy - ry + sh},
                                       {cx + rx, cy - ry},
                                       {cx + rx, cy + ry},
                                       {cx - rx, cy + ry + sh}}};
            break;
        }
        case 5: {  // degenerate: shared rows, columns or points
            const int32_t kind = static_cast<int32_t>(rng.Range(0, 3));
            for (int k = 0; k < 4; ++k) {
                q.p[k].x = kind == 1 ? cx : static_cast<int32_t>(rng.Range(cx - rx, cx + rx));
                q.p[k].y = kind == 0 ? cy : static_cast<int32_t>(rng.Range(cy - ry, cy + ry));
            }
            if (kind == 2) {
                q.p[1] = q.p[0];
                q.p[3] = q.p[2];
            } else if (kind == 3) {
                q.p[1] = q.p[0];
            }
            break;
        }
        case 6:  // self-crossing: two corners swapped
            q = Quad{
                {{cx - rx, cy - ry}, {cx + rx, cy - ry}, {cx - rx, cy + ry}, {cx + rx, cy + ry}}};
            if (rng.Chance(50)) {
                std::swap(q.p[0], q.p[1]);
            }
            break;
        case 7:  // anywhere, in any range
            for (int k = 0; k < 4; ++k) {
                q.p[k].x = Coordinate(rng, w);
                q.p[k].y = Coordinate(rng, h);
            }
            break;
        default:  // random corners around the destination
            for (int k = 0; k < 4; ++k) {
                q.p[k].x = static_cast<int32_t>(rng.Range(-w / 2 - 3, w + w / 2 + 3));
                q.p[k].y = static_cast<int32_t>(rng.Range(-h / 2 - 3, h + h / 2 + 3));
            }
            break;
    }
    return q;
}

Quad RandomSourceQuad(Random& rng, int32_t w, int32_t h) {
    switch (rng.Range(0, 6)) {
        case 6: {  // nearly the whole image: one coordinate of one corner moved
            Quad q{{{0, 0}, {w, 0}, {w, h}, {0, h}}};
            int32_t& c = rng.Chance(50) ? q.p[rng.Range(0, 3)].x : q.p[rng.Range(0, 3)].y;
            c += static_cast<int32_t>(rng.Chance(50) ? rng.Range(1, 3) : -rng.Range(1, 3));
            return q;
        }
        case 0:
        case 1:  // the whole image, its corners past the last column and row as the compositor's
            return Quad{{{0, 0}, {w, 0}, {w, h}, {0, h}}};
        case 2:
            return Quad{{{0, 0}, {w - 1, 0}, {w - 1, h - 1}, {0, h - 1}}};
        case 3: {  // mirrored or rotated corner order
            Quad q{{{0, 0}, {w, 0}, {w, h}, {0, h}}};
            const int shift = static_cast<int>(rng.Range(1, 3));
            Quad r{};
            for (int k = 0; k < 4; ++k) {
                r.p[k] = q.p[(k + shift) & 3];
            }
            return r;
        }
        case 4: {
            Quad q{};
            for (int k = 0; k < 4; ++k) {
                q.p[k].x = Coordinate(rng, w);
                q.p[k].y = Coordinate(rng, h);
            }
            return q;
        }
        default: {
            Quad q{};
            for (int k = 0; k < 4; ++k) {
                q.p[k].x = static_cast<int32_t>(rng.Range(-w / 2 - 2, w + w / 2 + 2));
                q.p[k].y = static_cast<int32_t>(rng.Range(-h / 2 - 2, h + h / 2 + 2));
            }
            return q;
        }
    }
}

void RandomSize(Random& rng, int32_t* w, int32_t* h, bool destination) {
    switch (rng.Range(0, 9)) {
        case 0:
            *w = 1;
            *h = 1;
            break;
        case 1:  // very wide: wider than the row cache of the production blit at times
            *w = static_cast<int32_t>(rng.Range(100, destination ? 2600 : 700));
            *h = static_cast<int32_t>(rng.Range(1, 4));
            break;
        case 2:  // very tall
            *w = static_cast<int32_t>(rng.Range(1, 4));
            *h = static_cast<int32_t>(rng.Range(100, 500));
            break;
        case 3:
            *w = static_cast<int32_t>(rng.Range(40, 120));
            *h = static_cast<int32_t>(rng.Range(40, 120));
            break;
        default:
            *w = static_cast<int32_t>(rng.Range(1, 40));
            *h = static_cast<int32_t>(rng.Range(1, 40));
            break;
    }
}

constexpr int kRandomQuadCases = 4000;
constexpr int kRandomSpanCases = 4000;

// Every random case draws from a generator of its own, seeded from its number, so that a
// failing case can be run alone: RandomQuadCase(n) or RandomSpanCase(n).
Random CaseRandom(uint64_t series, int n) {
    return Random(series * 1000003ull + static_cast<uint64_t>(n));
}

// One random MapQuad, production against reference: "" when they agree.
std::string RandomQuadCase(int n) {
    Random rng = CaseRandom(0x70125EEDull, n);
    int32_t dw, dh, sw, sh;
    RandomSize(rng, &dw, &dh, true);
    RandomSize(rng, &sw, &sh, false);
    if (rng.Chance(10)) {
        sw = sh = 193;
    }
    DibImage destination, source;
    if (destination.Create(dw, dh, 24) != 1 || source.Create(sw, sh, 24) != 1) {
        return "images not created";
    }
    if (!rng.Chance(15)) {
        FillRandomBytes(destination, rng);  // saturation happens
    }
    FillRandomSource(source, rng);
    const Quad dq = RandomDestinationQuad(rng, dw, dh);
    const Quad sq = RandomSourceQuad(rng, sw, sh);
    // Most cases draw plainly; some with the source's lit extents and a record of the rows, some
    // of the destination onto itself.
    const int64_t mode = rng.Range(0, 9);
    std::string diff, how;
    if (mode >= 8) {
        how = "onto itself, ";
        if (rng.Chance(50)) {
            FillRandomSource(destination, rng);
        }
        DibImage reference;
        CopyImage(reference, destination);
        ReferenceMapQuad(reference, dq, reference, sq);
        MapQuad(destination, dq, destination, sq);
        diff = FirstDifference(destination, reference);
    } else if (mode >= 6) {
        const int32_t capacity =
            static_cast<int32_t>(rng.Chance(30) ? rng.Range(0, dh + 2) : rng.Range(dh, dh + 9));
        how = "aided, capacity " + std::to_string(capacity) + ", ";
        diff = DrawAided(destination, dq, source, sq, capacity);
    } else {
        diff = DrawBoth(destination, dq, source, sq);
    }
    if (diff.empty()) {
        return "";
    }
    std::ostringstream os;
    os << how << dw << "x" << dh << " <- " << sw << "x" << sh << ", destination " << Describe(dq)
       << ", source " << Describe(sq) << ": " << diff;
    return os.str();
}

TEST(QuadBlitDifferential, RandomQuadsMatchTheReferenceByteForByte) {
    int failures = 0;
    for (int n = 0; n < kRandomQuadCases && failures < 5; ++n) {
        SCOPED_TRACE("random quad case " + std::to_string(n));
        const std::string diff = RandomQuadCase(n);
        if (!diff.empty()) {
            ++failures;
            ADD_FAILURE() << diff;
        }
    }
}

TEST(QuadBlitDifferential, SeveralBlastsOnOneBufferMatchTheReference) {
    // The compositor's pattern: squares of many sizes over each other on one buffer.
    Random rng(0xB1A575ull);
    DibImage frame;
    ASSERT_EQ(1, frame.Create(193, 193, 24));
    DibImage destination, reference;
    ASSERT_EQ(1, destination.Create(640, 360, 24));
    CopyImage(reference, destination);
    for (int n = 0; n < 40; ++n) {
        FillRandomSource(frame, rng);
        const int32_t h = static_cast<int32_t>(rng.Range(1, 200));
        const Quad dq = Square(static_cast<int32_t>(rng.Range(-100, 740)),
                               static_cast<int32_t>(rng.Range(-100, 460)), h);
        MapQuad(destination, dq, frame, FrameQuad);
        ReferenceMapQuad(reference, dq, frame, FrameQuad);
        ASSERT_EQ("", FirstDifference(destination, reference)) << "blast " << n << " h " << h;
    }
}

TEST(QuadBlitDifferential, QuadsDrawnAgainOnSourcesOfOtherWidthsMatchTheReference) {
    // The blit keeps the column maps of recent calls. A quad drawn again (a blast on its next
    // tick) reuses its map; the same quads over a source of another width need maps of their
    // own, which clip their samples to that width.
    Random rng(0x5EED4ull);
    const int32_t widths[] = {193, 150, 24};
    DibImage sources[3];
    for (int k = 0; k < 3; ++k) {
        ASSERT_EQ(1, sources[k].Create(widths[k], 193, 24));
        FillRandomSource(sources[k], rng);
    }
    const Quad quads[] = {Square(250, 200, 120), Square(240, 190, 90), Square(10, 390, 150)};
    for (int round = 0; round < 2; ++round) {
        for (const Quad& dq : quads) {
            for (int k = 0; k < 3; ++k) {
                DibImage destination;
                ASSERT_EQ(1, destination.Create(500, 400, 24));
                ASSERT_EQ("", DrawAided(destination, dq, sources[k], FrameQuad, 400))
                    << "round " << round << " width " << widths[k];
                ASSERT_EQ(1, destination.Create(500, 400, 24));
                ASSERT_EQ("", DrawBoth(destination, dq, sources[k], FrameQuad))
                    << "round " << round << " width " << widths[k];
            }
        }
    }
}

// One random MapSpan, production against reference: "" when they agree.
std::string RandomSpanCase(int n) {
    Random rng = CaseRandom(0x5BA115ull, n);
    int32_t dw, dh, sw, sh;
    RandomSize(rng, &dw, &dh, true);
    RandomSize(rng, &sw, &sh, false);
    DibImage destination, source, reference;
    if (destination.Create(dw, dh, 24) != 1 || source.Create(sw, sh, 24) != 1) {
        return "images not created";
    }
    FillRandomBytes(destination, rng);
    FillRandomSource(source, rng);
    CopyImage(reference, destination);
    int32_t x0 = Coordinate(rng, dw), x1 = Coordinate(rng, dw);
    if (rng.Chance(10)) {
        x1 = x0;
    }
    const int32_t y = static_cast<int32_t>(rng.Range(-2, dh + 1));
    int32_t sx0 = Coordinate(rng, sw), sy0 = Coordinate(rng, sh);
    int32_t sx1 = Coordinate(rng, sw), sy1 = Coordinate(rng, sh);
    if (rng.Chance(40)) {
        sy1 = sy0;  // one source row, the compositor's case
    }
    const bool self = rng.Chance(10);
    if (self) {
        // Onto itself, mostly along its own row, where the remembered colour shows.
        if (rng.Chance(60)) {
            sy0 = sy1 = y;
        }
        MapSpan(destination, x0, x1, y, destination, sx0, sy0, sx1, sy1);
        ReferenceMapSpan(reference, x0, x1, y, reference, sx0, sy0, sx1, sy1);
    } else {
        MapSpan(destination, x0, x1, y, source, sx0, sy0, sx1, sy1);
        ReferenceMapSpan(reference, x0, x1, y, source, sx0, sy0, sx1, sy1);
    }
    const std::string diff = FirstDifference(destination, reference);
    if (diff.empty()) {
        return "";
    }
    std::ostringstream os;
    os << (self ? "onto itself, " : "") << dw << "x" << dh << " <- " << sw << "x" << sh
       << ", MapSpan(" << x0 << ", " << x1 << ", " << y << ", " << sx0 << ", " << sy0 << ", " << sx1
       << ", " << sy1 << "): " << diff;
    return os.str();
}

TEST(QuadBlitDifferential, RandomSpansMatchTheReferenceByteForByte) {
    int failures = 0;
    for (int n = 0; n < kRandomSpanCases && failures < 5; ++n) {
        SCOPED_TRACE("random span case " + std::to_string(n));
        const std::string diff = RandomSpanCase(n);
        if (!diff.empty()) {
            ++failures;
            ADD_FAILURE() << diff;
        }
    }
}

}  // namespace
