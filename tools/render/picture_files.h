// Writing 24-bit images as PNG (through libpng) or as BMP (the bottom-up store as it is).
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>

#include "image/dib_image.h"

enum class PictureFormat { Png, Bmp };

// The format a file name asks for by its extension (either case); false for any other.
bool FormatOfName(const std::string& name, PictureFormat* format);

// Fills rgb (3 * width bytes: red, green, blue) with row y, counted from the top.
using RowSource = std::function<void(int32_t y, uint8_t* rgb)>;

// Each returns false, with a reason in *error, when the file cannot be written. The FILE is the
// caller's to close.
bool WritePng(std::FILE* file, int32_t width, int32_t height, const RowSource& rows,
              std::string* error);
bool WriteImagePng(std::FILE* file, const DibImage& image, std::string* error);
bool WriteImageBmp(std::FILE* file, const DibImage& image, std::string* error);
