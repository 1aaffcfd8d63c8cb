// The image store's allocation made to fail.
#include <gtest/gtest.h>

#include "fail_next_store.h"
#include "image/dib_image.h"

namespace {

TEST(DibImageAllocation, FailedStoreLeavesTheImageEmpty) {
    DibImage image;
    ASSERT_EQ(1, image.Create(16, 16, 24));
    FailNextStore = true;
    EXPECT_EQ(0, image.Create(193, 193, 24));
    EXPECT_FALSE(FailNextStore);  // the store really was asked for
    EXPECT_EQ(nullptr, image.GetBits());
    EXPECT_EQ(0, image.GetWidth());
    EXPECT_EQ(0, image.GetHeight());
    EXPECT_EQ(nullptr, image.GetLine(0));
    EXPECT_EQ(0, image.SetPixel(0, 0, 1, 1, 1));
    image.FillRect(0, 0, 192, 192, 1, 1, 1);
    // The next Create succeeds again.
    EXPECT_EQ(1, image.Create(193, 193, 24));
    EXPECT_EQ(580, image.GetStride());
}

TEST(DibImageAllocation, FailedPlaneKeepsItsGeometryButNoStore) {
    struct Plane : BitImage {
        int32_t Width() const { return planeWidth; }
        int32_t Rows() const { return planeHeight; }
        int32_t RowBytes() const { return planeRowBytes; }
    } plane;
    FailNextStore = true;
    EXPECT_EQ(0, plane.CreatePlane(13, 4));
    EXPECT_EQ(nullptr, plane.GetBits());
    EXPECT_EQ(13, plane.Width());
    EXPECT_EQ(4, plane.Rows());
    EXPECT_EQ(2, plane.RowBytes());
    // A refused size changes nothing at all.
    EXPECT_EQ(0, plane.CreatePlane(0, 9));
    EXPECT_EQ(13, plane.Width());
    ASSERT_EQ(1, plane.CreatePlane(9, 3));
    EXPECT_EQ(2, plane.RowBytes());
    plane.FreePlane();
    EXPECT_EQ(nullptr, plane.GetBits());
    EXPECT_EQ(9, plane.Width());  // FreePlane leaves the geometry as it is
}

}  // namespace
