// The image surface: a packed bit plane (BitImage) and the 24-bit device-independent bitmap
// built on its rows (DibImage). Results are 1 for success and 0 for failure; pixel operations
// ignore coordinates outside the image.
#pragma once

#include <cstdint>

// A plane of bits, planeWidth bits wide and planeHeight rows high, that owns its store.
class BitImage {
public:
    BitImage() = default;
    ~BitImage() { FreePlane(); }
    BitImage(const BitImage&) = delete;
    BitImage& operator=(const BitImage&) = delete;

    // A zero-filled store of rows x ((widthBits + 7) / 8) bytes. Refuses a width or height
    // below 1; on allocation failure the new geometry stays and the store is null.
    int32_t CreatePlane(int32_t widthBits, int32_t rows);
    void FreePlane();
    uint8_t* GetBits() const { return bits; }

protected:
    int32_t planeWidth = 0;
    int32_t planeHeight = 0;
    int32_t planeRowBytes = 0;
    uint8_t* bits = nullptr;
};

// A device-independent bitmap whose rows are the plane's rows: padded to whole 32-bit words
// and stored bottom-up, three bytes per pixel as blue, green, red at 24 bits. Coordinates
// count x from the left and y from the top row; colours are passed as red, green, blue.
class DibImage : public BitImage {
public:
    DibImage() = default;
    ~DibImage() { Destroy(); }

    static int32_t IsSupportedDepth(int32_t bitsPerPixel);

    int32_t Create(int32_t width, int32_t height, int32_t bitsPerPixel);
    void Destroy();

    int32_t GetWidth() const { return width; }
    int32_t GetHeight() const { return height; }
    int32_t GetBitsPerPixel() const { return bitsPerPixel; }
    int32_t GetStride() const { return stride; }

    // First byte of row y (0 = top), or null outside the image or when it is empty.
    uint8_t* GetLine(int32_t y) const;

    // 24 bits per pixel only. GetPixel zeroes its outputs before the bounds check, but leaves
    // them untouched on an image that is empty or of another depth.
    int32_t GetPixel(int32_t x, int32_t y, int32_t* red, int32_t* green, int32_t* blue) const;
    int32_t SetPixel(int32_t x, int32_t y, int32_t red, int32_t green, int32_t blue);
    // Adds channel by channel, saturating at 255.
    int32_t AddPixel(int32_t x, int32_t y, int32_t red, int32_t green, int32_t blue);

    // Inclusive ends in either order, clipped to the image.
    void FillLine(int32_t x0, int32_t x1, int32_t y, int32_t red, int32_t green, int32_t blue);
    void FillRect(int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t red, int32_t green,
                  int32_t blue);

private:
    // Byte offset of pixel x in row y; the caller has checked both.
    uint8_t* PixelAddress(int32_t x, int32_t y) const;

    int32_t bitsPerPixel = 0;
    int32_t stride = 0;
    int32_t width = 0;
    int32_t height = 0;
};
