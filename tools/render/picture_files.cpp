#include "picture_files.h"

#include <png.h>

#include <cctype>
#include <csetjmp>
#include <vector>

bool FormatOfName(const std::string& name, PictureFormat* format) {
    const size_t dot = name.rfind('.');
    if (dot == std::string::npos) {
        return false;
    }
    std::string extension = name.substr(dot + 1);
    for (char& c : extension) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    if (extension == "png") {
        *format = PictureFormat::Png;
        return true;
    }
    if (extension == "bmp") {
        *format = PictureFormat::Bmp;
        return true;
    }
    return false;
}

namespace {

void OnPngError(png_structp png, png_const_charp message) {
    auto* error = static_cast<std::string*>(png_get_error_ptr(png));
    *error = message;
    png_longjmp(png, 1);
}

void OnPngWarning(png_structp, png_const_charp) {}

// Kept out of WritePng so that nothing with a destructor lives across its setjmp.
bool WritePngRows(png_structp png, png_infop info, std::FILE* file, int32_t width, int32_t height,
                  const RowSource& rows, uint8_t* row) {
    if (setjmp(png_jmpbuf(png))) {
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    // Mostly black pictures: fast compression loses little.
    png_set_compression_level(png, 3);
    png_write_info(png, info);
    for (int32_t y = 0; y < height; ++y) {
        rows(y, row);
        png_write_row(png, row);
    }
    png_write_end(png, nullptr);
    return true;
}

void PutLe(std::vector<uint8_t>& out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out.push_back(static_cast<uint8_t>(value >> (8 * i)));
    }
}

}  // namespace

bool WritePng(std::FILE* file, int32_t width, int32_t height, const RowSource& rows,
              std::string* error) {
    if (width < 1 || height < 1) {
        *error = "nothing to write: the image is empty";
        return false;
    }
    png_structp png =
        png_create_write_struct(PNG_LIBPNG_VER_STRING, error, OnPngError, OnPngWarning);
    if (png == nullptr) {
        *error = "out of memory";
        return false;
    }
    png_infop info = png_create_info_struct(png);
    if (info == nullptr) {
        png_destroy_write_struct(&png, nullptr);
        *error = "out of memory";
        return false;
    }
    std::vector<uint8_t> row(3 * static_cast<size_t>(width));
    const bool written = WritePngRows(png, info, file, width, height, rows, row.data());
    png_destroy_write_struct(&png, &info);
    if (written && (std::fflush(file) != 0 || std::ferror(file) != 0)) {
        *error = "write failed";
        return false;
    }
    return written;
}

bool WriteImagePng(std::FILE* file, const DibImage& image, std::string* error) {
    const int32_t width = image.GetWidth();
    return WritePng(
        file, width, image.GetHeight(),
        [&image, width](int32_t y, uint8_t* rgb) {
            const uint8_t* bgr = image.GetLine(y);
            for (int32_t x = 0; x < width; ++x) {
                rgb[3 * x + 0] = bgr[3 * x + 2];
                rgb[3 * x + 1] = bgr[3 * x + 1];
                rgb[3 * x + 2] = bgr[3 * x + 0];
            }
        },
        error);
}

bool WriteImageBmp(std::FILE* file, const DibImage& image, std::string* error) {
    if (image.GetBits() == nullptr || image.GetBitsPerPixel() != 24) {
        *error = "nothing to write: the image is empty";
        return false;
    }
    const uint64_t storeBytes =
        static_cast<uint64_t>(image.GetStride()) * static_cast<uint64_t>(image.GetHeight());
    if (storeBytes > 0xFFFFFFFFull - 54) {
        *error = "too large for a BMP file";
        return false;
    }
    // The file header, then the bitmap header the saver presents the buffer with.
    std::vector<uint8_t> header;
    header.push_back('B');
    header.push_back('M');
    PutLe(header, static_cast<uint32_t>(54 + storeBytes), 4);
    PutLe(header, 0, 4);
    PutLe(header, 54, 4);
    PutLe(header, 40, 4);
    PutLe(header, static_cast<uint32_t>(image.GetWidth()), 4);
    PutLe(header, static_cast<uint32_t>(image.GetHeight()), 4);
    PutLe(header, 1, 2);
    PutLe(header, 24, 2);
    PutLe(header, 0, 4);  // BI_RGB
    PutLe(header, 0, 4);
    PutLe(header, 1, 4);
    PutLe(header, 1, 4);
    PutLe(header, 0, 4);
    PutLe(header, 0, 4);
    if (std::fwrite(header.data(), 1, header.size(), file) != header.size() ||
        std::fwrite(image.GetBits(), 1, static_cast<size_t>(storeBytes), file) != storeBytes ||
        std::fflush(file) != 0) {
        *error = "write failed";
        return false;
    }
    return true;
}
