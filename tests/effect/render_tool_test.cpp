// torvex-render run as a program: its errors, and that its pictures are the effect's bytes.
#include <gtest/gtest.h>
#include <png.h>
#include <sys/wait.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "effect_test_support.h"

namespace {

namespace fs = std::filesystem;

// A folder of this test's own, as ctest runs test cases side by side.
fs::path WorkDir() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    fs::path dir = fs::path(TORVEX_RENDER_WORK_DIR) / info->name();
    fs::remove_all(dir);
    fs::create_directories(dir);
    return dir;
}

struct RunResult {
    int exitCode;
    std::string errors;
};

RunResult RunRender(const std::string& arguments, const fs::path& dir) {
    const fs::path errors = dir / "stderr.txt";
    const std::string command =
        std::string(TORVEX_RENDER_PATH) + " " + arguments + " 2>" + errors.string() + " >/dev/null";
    const int status = std::system(command.c_str());
    std::ifstream in(errors);
    RunResult run{-1, std::string(std::istreambuf_iterator<char>(in), {})};
    if (WIFEXITED(status)) {
        run.exitCode = WEXITSTATUS(status);
    }
    return run;
}

std::vector<uint8_t> ReadBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

uint32_t Le(const std::vector<uint8_t>& bytes, size_t at, int count) {
    uint32_t v = 0;
    for (int i = count - 1; i >= 0; --i) {
        v = v << 8 | bytes[at + static_cast<size_t>(i)];
    }
    return v;
}

struct Picture {
    int32_t width = 0, height = 0;
    std::vector<uint8_t> rgb;  // top row first
};

Picture ReadPng(const fs::path& path) {
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    Picture picture;
    if (png_image_begin_read_from_file(&image, path.string().c_str()) == 0) {
        ADD_FAILURE() << path << ": " << image.message;
        return picture;
    }
    image.format = PNG_FORMAT_RGB;
    picture.rgb.resize(PNG_IMAGE_SIZE(image));
    if (png_image_finish_read(&image, nullptr, picture.rgb.data(), 0, nullptr) == 0) {
        ADD_FAILURE() << path << ": " << image.message;
        return picture;
    }
    picture.width = static_cast<int32_t>(image.width);
    picture.height = static_cast<int32_t>(image.height);
    return picture;
}

// Pixel (x, y) of picture as red, green, blue against a bottom-up blue-green-red row store.
bool SameAsStore(const Picture& picture, const uint8_t* store, int32_t stride, int32_t width,
                 int32_t height) {
    if (picture.width != width || picture.height != height) {
        return false;
    }
    for (int32_t y = 0; y < height; ++y) {
        const uint8_t* bgr = store + static_cast<size_t>(height - 1 - y) * stride;
        const uint8_t* rgb = picture.rgb.data() + 3 * static_cast<size_t>(width) * y;
        for (int32_t x = 0; x < width; ++x) {
            if (rgb[3 * x] != bgr[3 * x + 2] || rgb[3 * x + 1] != bgr[3 * x + 1] ||
                rgb[3 * x + 2] != bgr[3 * x]) {
                return false;
            }
        }
    }
    return true;
}

std::string PinnedClock() {
    return "--clock " + std::to_string(PinnedClockStart) + ":" + std::to_string(PinnedClockStep);
}

TEST(RenderTool, BadOptionsExitWithTwoAndSayWhy) {
    const fs::path dir = WorkDir();
    const std::string out = " --out " + (dir / "x.png").string();
    const char* const cases[] = {
        "--bogus 1",
        "--size",
        "--size 0x10",
        "--size 10x0",
        "--size 32768x10",
        "--size 10x32768",
        "--size -800x600",
        "--size 800",
        "--size 800x",
        "--size ax600",
        "--size 99999999999999999999x1",
        "--ticks -1",
        "--ticks 1.5",
        "--ticks 4294967296",
        "--clock 5",
        "--clock 1:",
        "--clock 1:x",
        "--clock 4294967296:1",
        "--frame 300",
        "--frame -1",
        "stray",
    };
    for (const char* arguments : cases) {
        const RunResult run = RunRender(arguments + out, dir);
        EXPECT_EQ(2, run.exitCode) << arguments;
        EXPECT_EQ(0u, run.errors.rfind("torvex-render: ", 0)) << arguments << ": " << run.errors;
    }
    const char* const alone[] = {"", "--ticks 3", "--frame 5", "--out picture.gif",
                                 "--sheet sheet"};
    for (const char* arguments : alone) {
        const RunResult run = RunRender(arguments, dir);
        EXPECT_EQ(2, run.exitCode) << arguments;
        EXPECT_FALSE(run.errors.empty()) << arguments;
    }
    // The largest size is accepted.
    EXPECT_EQ(0, RunRender("--size 32767x1" + out, dir).exitCode);
}

TEST(RenderTool, UnwritableFilesExitWithTwo) {
    const fs::path dir = WorkDir();
    // A path through a plain file can never be made, not even by root.
    const fs::path file = dir / "plain";
    std::ofstream(file) << "x";
    const std::string beyond = (file / "x").string();
    const std::string cases[] = {
        "--size 8x8 --out " + beyond + ".png",     "--size 8x8 --out " + beyond + ".bmp",
        "--size 8x8 --sheet " + beyond + ".png",   "--size 8x8 --frame 3 --out " + beyond + ".bmp",
        "--size 8x8 --ticks 2 --frames " + beyond, "--size 8x8 --ticks 2 --frames " + file.string(),
    };
    for (const std::string& arguments : cases) {
        const RunResult run = RunRender(arguments, dir);
        EXPECT_EQ(2, run.exitCode) << arguments;
        EXPECT_NE(std::string::npos, run.errors.find("cannot")) << arguments << ": " << run.errors;
    }
}

// The BMP is the buffer's store as it is: its digest is the one the effect tests pin.
TEST(RenderTool, BmpHoldsThePinnedBuffer) {
    const fs::path dir = WorkDir();
    const fs::path bmp = dir / "buffer.bmp";
    const std::string size = std::to_string(PinnedWidth) + "x" + std::to_string(PinnedHeight);
    ASSERT_EQ(0, RunRender(PinnedClock() + " --size " + size + " --ticks " +
                               std::to_string(PinnedTicks) + " --out " + bmp.string(),
                           dir)
                     .exitCode);
    const std::vector<uint8_t> bytes = ReadBytes(bmp);
    const uint32_t stride = (3 * PinnedWidth + 3) / 4 * 4;
    ASSERT_EQ(54 + stride * PinnedHeight, bytes.size());
    EXPECT_EQ('B', bytes[0]);
    EXPECT_EQ('M', bytes[1]);
    EXPECT_EQ(bytes.size(), Le(bytes, 2, 4));
    EXPECT_EQ(54u, Le(bytes, 10, 4));
    EXPECT_EQ(40u, Le(bytes, 14, 4));
    EXPECT_EQ(static_cast<uint32_t>(PinnedWidth), Le(bytes, 18, 4));
    EXPECT_EQ(static_cast<uint32_t>(PinnedHeight), Le(bytes, 22, 4));  // bottom-up
    EXPECT_EQ(1u, Le(bytes, 26, 2));
    EXPECT_EQ(24u, Le(bytes, 28, 2));
    EXPECT_EQ(0u, Le(bytes, 30, 4));
    EXPECT_EQ(PinnedBufferDigest, Fnv1a(bytes.data() + 54, bytes.size() - 54));
}

// The PNG of the buffer shows the BMP's pixels; the sheet and a single frame show the bank.
TEST(RenderTool, PngSheetAndFrameShowTheSameBytes) {
    const fs::path dir = WorkDir();
    const std::string common = PinnedClock() + " --size 97x61 --ticks 40";
    ASSERT_EQ(0, RunRender(common + " --out " + (dir / "b.bmp").string(), dir).exitCode);
    ASSERT_EQ(0,
              RunRender(common + " --out " + (dir / "b.png").string() + " --sheet " +
                            (dir / "sheet.png").string() + " --frames " + (dir / "ticks").string(),
                        dir)
                  .exitCode);
    ASSERT_EQ(
        0,
        RunRender(PinnedClock() + " --frame 37 --out " + (dir / "f.bmp").string(), dir).exitCode);

    const std::vector<uint8_t> bmp = ReadBytes(dir / "b.bmp");
    ASSERT_GT(bmp.size(), 54u);
    const Picture png = ReadPng(dir / "b.png");
    EXPECT_TRUE(SameAsStore(png, bmp.data() + 54, 292, 97, 61));
    // One PNG per tick, the last of them the buffer after the last tick.
    for (int32_t tick = 1; tick <= 40; ++tick) {
        char name[32];
        std::snprintf(name, sizeof name, "tick-%06d.png", tick);
        EXPECT_TRUE(fs::is_regular_file(dir / "ticks" / name)) << name;
    }
    EXPECT_FALSE(fs::exists(dir / "ticks" / "tick-000041.png"));
    EXPECT_TRUE(
        SameAsStore(ReadPng(dir / "ticks" / "tick-000040.png"), bmp.data() + 54, 292, 97, 61));

    UsePinnedFrameBank();
    const std::vector<uint8_t> frame = ReadBytes(dir / "f.bmp");
    ASSERT_EQ(54u + 580 * 193, frame.size());
    EXPECT_EQ(0, std::memcmp(frame.data() + 54, FrameBank[37].GetBits(), 580 * 193));

    const Picture sheet = ReadPng(dir / "sheet.png");
    ASSERT_EQ(30 * 193, sheet.width);
    ASSERT_EQ(10 * 193, sheet.height);
    for (int32_t e = 0; e < FrameBankSize; ++e) {
        // The tile of element e, cut out of the sheet as a picture of its own.
        Picture tile;
        tile.width = tile.height = 193;
        const int32_t left = 193 * (e % 30);
        const int32_t top = 193 * (e / 30);
        for (int32_t y = 0; y < 193; ++y) {
            const uint8_t* row =
                sheet.rgb.data() + 3 * (static_cast<size_t>(top + y) * sheet.width + left);
            tile.rgb.insert(tile.rgb.end(), row, row + 3 * 193);
        }
        ASSERT_TRUE(SameAsStore(tile, FrameBank[e].GetBits(), 580, 193, 193)) << "element " << e;
    }
}

}  // namespace
