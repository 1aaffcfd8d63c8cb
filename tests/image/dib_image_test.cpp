#include "image/dib_image.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

struct Rgb {
    int32_t r, g, b;
};

Rgb PixelAt(const DibImage& image, int32_t x, int32_t y) {
    Rgb c{-1, -1, -1};
    EXPECT_EQ(1, image.GetPixel(x, y, &c.r, &c.g, &c.b)) << x << "," << y;
    return c;
}

// Marks each pixel of row y that differs from black; "." for black, "#" otherwise.
std::string RowPattern(const DibImage& image, int32_t y) {
    std::string s;
    for (int32_t x = 0; x < image.GetWidth(); ++x) {
        const Rgb c = PixelAt(image, x, y);
        s += (c.r | c.g | c.b) ? '#' : '.';
    }
    return s;
}

TEST(DibImage, CreateGivesBlackBottomUpImageWithPaddedRows) {
    DibImage image;
    ASSERT_EQ(1, image.Create(193, 193, 24));
    EXPECT_EQ(193, image.GetWidth());
    EXPECT_EQ(193, image.GetHeight());
    EXPECT_EQ(580, image.GetStride());
    for (int32_t y = 0; y < 193; ++y) {
        for (int32_t x = 0; x < 193; ++x) {
            const Rgb c = PixelAt(image, x, y);
            ASSERT_EQ(0, c.r | c.g | c.b);
        }
    }
    // Bottom-up: the top row is the last in memory, the bottom row the first byte of the store.
    EXPECT_EQ(image.GetBits(), image.GetLine(192));
    EXPECT_EQ(image.GetBits() + 192 * 580, image.GetLine(0));
    EXPECT_EQ(nullptr, image.GetLine(-1));
    EXPECT_EQ(nullptr, image.GetLine(193));
}

TEST(DibImage, StrideFollowsTheRowRuleAtEveryDepth) {
    struct Case {
        int32_t w, h, depth, stride;
    } cases[] = {
        {193, 1, 24, 580}, {10, 10, 3, 12}, {33, 1, 1, 8},  {10, 10, 4, 8},
        {1, 1, 1, 4},      {32, 1, 1, 4},   {1, 1, 8, 4},   {5, 1, 8, 8},
        {3, 1, 16, 8},     {1, 1, 48, 8},   {4, 1, 24, 12}, {1, 1, 24, 4},
    };
    for (const Case& c : cases) {
        DibImage image;
        ASSERT_EQ(1, image.Create(c.w, c.h, c.depth)) << c.w << "x" << c.depth;
        EXPECT_EQ(c.stride, image.GetStride()) << c.w << " px at " << c.depth;
        // Every row is reachable at any depth, and rows are exactly one stride apart.
        EXPECT_EQ(image.GetBits(), image.GetLine(c.h - 1));
        EXPECT_EQ(image.GetBits() + (c.h - 1) * c.stride, image.GetLine(0));
    }
}

TEST(DibImage, RefusedDepthLeavesAnExistingImageIntact) {
    for (int32_t depth : {2, 32, 0, -24, 5, 25, 64}) {
        DibImage image;
        ASSERT_EQ(1, image.Create(4, 3, 24));
        ASSERT_EQ(1, image.SetPixel(1, 2, 9, 8, 7));
        EXPECT_EQ(0, DibImage::IsSupportedDepth(depth));
        EXPECT_EQ(0, image.Create(20, 20, depth)) << depth;
        EXPECT_EQ(4, image.GetWidth());
        EXPECT_EQ(3, image.GetHeight());
        const Rgb c = PixelAt(image, 1, 2);
        EXPECT_EQ(9, c.r);
        EXPECT_EQ(8, c.g);
        EXPECT_EQ(7, c.b);
    }
    for (int32_t depth : {1, 3, 4, 8, 16, 24, 48}) {
        EXPECT_EQ(1, DibImage::IsSupportedDepth(depth)) << depth;
    }
}

TEST(DibImage, BadSizeEmptiesEvenAValidImage) {
    struct Case {
        int32_t w, h;
    } cases[] = {{0, 10}, {10, 0}, {-1, 10}, {10, -5}, {INT32_MIN, 1}, {INT32_MAX, 1}};
    for (const Case& c : cases) {
        DibImage image;
        ASSERT_EQ(1, image.Create(8, 8, 24));
        EXPECT_EQ(0, image.Create(c.w, c.h, 24)) << c.w << "x" << c.h;
        EXPECT_EQ(0, image.GetWidth());
        EXPECT_EQ(0, image.GetHeight());
        EXPECT_EQ(0, image.GetStride());
        EXPECT_EQ(0, image.GetBitsPerPixel());
        EXPECT_EQ(nullptr, image.GetBits());
        EXPECT_EQ(nullptr, image.GetLine(0));
    }
}

TEST(DibImage, PixelOperationsStoreBlueGreenRedAtTheDocumentedOffset) {
    DibImage image;
    ASSERT_EQ(1, image.Create(5, 3, 24));
    ASSERT_EQ(1, image.SetPixel(2, 0, 0x11, 0x22, 0x33));
    // Pixel (x, y) begins at byte 3x + (height - 1 - y) * stride.
    const uint8_t* p = image.GetBits() + 3 * 2 + (3 - 1 - 0) * 16;
    EXPECT_EQ(0x33, p[0]);
    EXPECT_EQ(0x22, p[1]);
    EXPECT_EQ(0x11, p[2]);
    // A channel is stored as its low 8 bits.
    ASSERT_EQ(1, image.SetPixel(0, 0, 300, -1, 256));
    const Rgb c = PixelAt(image, 0, 0);
    EXPECT_EQ(44, c.r);
    EXPECT_EQ(255, c.g);
    EXPECT_EQ(0, c.b);
}

TEST(DibImage, AddPixelSaturatesEachChannelAt255) {
    DibImage image;
    ASSERT_EQ(1, image.Create(2, 2, 24));
    ASSERT_EQ(1, image.SetPixel(1, 1, 200, 100, 50));
    ASSERT_EQ(1, image.AddPixel(1, 1, 100, 100, 100));
    Rgb c = PixelAt(image, 1, 1);
    EXPECT_EQ(255, c.r);
    EXPECT_EQ(200, c.g);
    EXPECT_EQ(150, c.b);
    ASSERT_EQ(1, image.SetPixel(0, 0, 250, 254, 0));
    ASSERT_EQ(1, image.AddPixel(0, 0, 10, 1, 0));
    c = PixelAt(image, 0, 0);
    EXPECT_EQ(255, c.r);
    EXPECT_EQ(255, c.g);
    EXPECT_EQ(0, c.b);
}

TEST(DibImage, OutOfBoundsPixelOperationsFailAndWriteNothing) {
    DibImage image;
    ASSERT_EQ(1, image.Create(4, 3, 24));
    std::vector<uint8_t> before(image.GetBits(), image.GetBits() + 3 * image.GetStride());
    struct Point {
        int32_t x, y;
    } outside[] = {{4, 0}, {-1, 0}, {0, 3}, {0, -1}, {INT32_MAX, 1}, {1, INT32_MIN}};
    for (const Point& p : outside) {
        EXPECT_EQ(0, image.SetPixel(p.x, p.y, 1, 2, 3));
        EXPECT_EQ(0, image.AddPixel(p.x, p.y, 1, 2, 3));
        int32_t r = 7, g = 7, b = 7;
        EXPECT_EQ(0, image.GetPixel(p.x, p.y, &r, &g, &b));
        // A 24-bit image zeroes the outputs before it checks the bounds.
        EXPECT_EQ(0, r | g | b) << p.x << "," << p.y;
    }
    EXPECT_EQ(0, std::memcmp(before.data(), image.GetBits(), before.size()));
}

TEST(DibImage, OtherDepthsAndEmptyImagesHaveNoPixelOperations) {
    DibImage eight;
    ASSERT_EQ(1, eight.Create(4, 4, 8));
    DibImage empty;
    DibImage destroyed;
    ASSERT_EQ(1, destroyed.Create(4, 4, 24));
    destroyed.Destroy();
    destroyed.Destroy();  // twice does no harm
    for (DibImage* image : {&eight, &empty, &destroyed}) {
        int32_t r = 7, g = 8, b = 9;
        EXPECT_EQ(0, image->GetPixel(1, 1, &r, &g, &b));
        // The outputs are left as they were.
        EXPECT_EQ(7, r);
        EXPECT_EQ(8, g);
        EXPECT_EQ(9, b);
        EXPECT_EQ(0, image->SetPixel(1, 1, 1, 1, 1));
        EXPECT_EQ(0, image->AddPixel(1, 1, 1, 1, 1));
        image->FillRect(0, 0, 3, 3, 1, 1, 1);
        image->FillLine(0, 3, 1, 1, 1, 1);
    }
    EXPECT_EQ(0, destroyed.GetWidth());
    EXPECT_EQ(0, destroyed.GetHeight());
    EXPECT_EQ(nullptr, destroyed.GetLine(0));
    // The 8-bit store was not written by the fills.
    for (int32_t y = 0; y < 4; ++y) {
        for (int32_t i = 0; i < eight.GetStride(); ++i) {
            EXPECT_EQ(0, eight.GetLine(y)[i]);
        }
    }
}

TEST(DibImage, FillLineClipsAndAcceptsEndsInEitherOrder) {
    struct Case {
        int32_t x0, x1;
        const char* row;
    } cases[] = {
        {10, 5, ".....######...."},
        {5, 10, ".....######...."},
        {-5, 3, "####..........."},
        {5, 25, ".....##########"},
        {-5, -1, "..............."},
        {15, 19, "..............."},
        {INT32_MIN, INT32_MAX, "###############"},
        {7, 7, ".......#......."},
        {14, 14, "..............#"},
    };
    for (const Case& c : cases) {
        DibImage image;
        ASSERT_EQ(1, image.Create(15, 3, 24));
        image.FillLine(c.x0, c.x1, 1, 1, 2, 3);
        EXPECT_EQ(c.row, RowPattern(image, 1)) << c.x0 << ".." << c.x1;
        EXPECT_EQ("...............", RowPattern(image, 0));
        EXPECT_EQ("...............", RowPattern(image, 2));
    }
    DibImage image;
    ASSERT_EQ(1, image.Create(4, 2, 24));
    image.FillLine(0, 3, 2, 9, 9, 9);
    image.FillLine(0, 3, -1, 9, 9, 9);
    EXPECT_EQ("....", RowPattern(image, 0));
    EXPECT_EQ("....", RowPattern(image, 1));
    // Colours: red, green, blue in, blue, green, red in the store.
    image.FillLine(1, 2, 0, 0x10, 0x20, 0x30);
    const uint8_t* p = image.GetLine(0) + 3;
    EXPECT_EQ(0x30, p[0]);
    EXPECT_EQ(0x20, p[1]);
    EXPECT_EQ(0x10, p[2]);
}

TEST(DibImage, FillRectCoversTheClippedRowsInEitherOrder) {
    struct Case {
        int32_t y0, y1;
        const char* rows;  // one character a row, top first
    } cases[] = {
        {1, 3, ".###.."},
        {3, 1, ".###.."},
        {-4, 1, "##...."},
        {4, 40, "....##"},
        {6, 9, "......"},
        {-3, -1, "......"},
        {INT32_MIN, INT32_MAX, "######"},
    };
    for (const Case& c : cases) {
        DibImage image;
        ASSERT_EQ(1, image.Create(3, 6, 24));
        image.FillRect(0, c.y0, 2, c.y1, 5, 5, 5);
        std::string rows;
        for (int32_t y = 0; y < 6; ++y) {
            const std::string row = RowPattern(image, y);
            EXPECT_TRUE(row == "###" || row == "...") << row;
            rows += row[0];
        }
        EXPECT_EQ(c.rows, rows) << c.y0 << ".." << c.y1;
    }
}

TEST(DibImage, FullFillRectClearsToBlack) {
    DibImage image;
    ASSERT_EQ(1, image.Create(7, 5, 24));
    image.FillRect(0, 0, 6, 4, 200, 10, 99);
    EXPECT_EQ(200, PixelAt(image, 6, 4).r);
    image.FillRect(0, 0, image.GetWidth() - 1, image.GetHeight() - 1, 0, 0, 0);
    for (int32_t y = 0; y < 5; ++y) {
        EXPECT_EQ(".......", RowPattern(image, y));
    }
}

TEST(DibImage, CreateOnAValidImageReplacesIt) {
    DibImage image;
    ASSERT_EQ(1, image.Create(3, 3, 24));
    image.FillRect(0, 0, 2, 2, 50, 50, 50);
    ASSERT_EQ(1, image.Create(6, 2, 24));
    EXPECT_EQ(6, image.GetWidth());
    EXPECT_EQ(2, image.GetHeight());
    EXPECT_EQ("......", RowPattern(image, 0));
    EXPECT_EQ("......", RowPattern(image, 1));
}

}  // namespace
