// The hack's command line and its conversion of the back buffer into X image layouts.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "x11/hack_options.h"
#include "x11/pixel_format.h"

namespace {

using Target = HackOptions::Target;

bool Parse(std::vector<const char*> arguments, const char* screensaverWindow, HackOptions* options,
           std::string* error) {
    arguments.insert(arguments.begin(), "torvex");
    return ParseHackOptions(static_cast<int>(arguments.size()), arguments.data(), screensaverWindow,
                            options, error);
}

TEST(HackOptions, DefaultsToAWindowOfItsOwnAtEightHundredBySixHundredEveryTenMilliseconds) {
    HackOptions options;
    std::string error;
    ASSERT_TRUE(Parse({}, nullptr, &options, &error)) << error;
    EXPECT_EQ(Target::OwnWindow, options.target);
    EXPECT_EQ(800, options.width);
    EXPECT_EQ(600, options.height);
    EXPECT_EQ(10000, options.delayMicroseconds);
    EXPECT_FALSE(options.fps);
    EXPECT_FALSE(options.steppingClock);
    EXPECT_LT(options.ticks, 0);
}

// Which window is drawn on: -window-id first, then XScreenSaver's variable, then -root.
TEST(HackOptions, ChoosesTheWindowAsHacksDo) {
    struct Case {
        std::vector<const char*> arguments;
        const char* screensaverWindow;
        Target target;
        unsigned long id;
    } cases[] = {
        {{"-root"}, nullptr, Target::Root, 0},
        {{"--root"}, "", Target::Root, 0},
        {{"--root"}, "0x60000C", Target::GivenWindow, 0x60000c},
        {{}, "6291468", Target::GivenWindow, 6291468},
        {{"-window-id", "0x1a00003"}, nullptr, Target::GivenWindow, 0x1a00003},
        {{"-window-id", "12345"}, "0x60000C", Target::GivenWindow, 12345},
        {{"--window-id", "0X1FFFFFFF", "-root"}, nullptr, Target::GivenWindow, 0x1fffffff},
    };
    for (const Case& c : cases) {
        HackOptions options;
        std::string error;
        ASSERT_TRUE(Parse(c.arguments, c.screensaverWindow, &options, &error)) << error;
        EXPECT_EQ(c.target, options.target) << (c.arguments.empty() ? "" : c.arguments[0]);
        EXPECT_EQ(c.id, options.windowId);
    }
}

TEST(HackOptions, ReadsEveryValueWithOneDashOrTwo) {
    HackOptions options;
    std::string error;
    ASSERT_TRUE(Parse({"-geometry", "1920x1080", "--delay", "0", "-fps", "--clock", "4294967295:16",
                       "-ticks", "2147483647"},
                      nullptr, &options, &error))
        << error;
    EXPECT_EQ(1920, options.width);
    EXPECT_EQ(1080, options.height);
    EXPECT_EQ(0, options.delayMicroseconds);
    EXPECT_TRUE(options.fps);
    EXPECT_TRUE(options.steppingClock);
    EXPECT_EQ(4294967295u, options.clockStart);
    EXPECT_EQ(16u, options.clockStep);
    EXPECT_EQ(2147483647, options.ticks);
}

// Every refusal is one line that names what was wrong.
TEST(HackOptions, RefusesABadCommandLineWithOneLine) {
    struct Case {
        std::vector<const char*> arguments;
        const char* screensaverWindow;
        const char* named;
    } cases[] = {
        {{"-window"}, nullptr, "'-window'"},
        {{"root"}, nullptr, "'root'"},
        {{"-delay"}, nullptr, "-delay needs a value"},
        {{"-window-id", "0"}, nullptr, "'0'"},
        {{"-window-id", "0x"}, nullptr, "'0x'"},
        {{"-window-id", "0x20000000"}, nullptr, "'0x20000000'"},
        {{"-window-id", "12ab"}, nullptr, "'12ab'"},
        {{"-window-id", "-5"}, nullptr, "'-5'"},
        {{"-root"}, "window", "XSCREENSAVER_WINDOW"},
        {{"-geometry", "800"}, nullptr, "'800'"},
        {{"-geometry", "0x600"}, nullptr, "'0x600'"},
        {{"-geometry", "32768x600"}, nullptr, "'32768x600'"},
        {{"-delay", "10000001"}, nullptr, "'10000001'"},
        {{"-delay", "-1"}, nullptr, "'-1'"},
        {{"-clock", "1:"}, nullptr, "'1:'"},
        {{"-clock", "4294967296:1"}, nullptr, "'4294967296:1'"},
        {{"-ticks", "0"}, nullptr, "'0'"},
    };
    for (const Case& c : cases) {
        HackOptions options;
        std::string error;
        EXPECT_FALSE(Parse(c.arguments, c.screensaverWindow, &options, &error)) << c.named;
        EXPECT_NE(std::string::npos, error.find(c.named)) << error;
        EXPECT_EQ(std::string::npos, error.find('\n')) << error;
    }
}

// A 2x2 buffer with a different colour in each pixel, and rows padded past the last pixel.
TEST(PixelFormat, PacksEachLayoutTopRowFirst) {
    DibImage buffer;
    ASSERT_EQ(1, buffer.Create(2, 2, 24));
    buffer.SetPixel(0, 0, 0x12, 0x34, 0x56);
    buffer.SetPixel(1, 0, 0xff, 0x00, 0x80);
    buffer.SetPixel(0, 1, 0x01, 0xfe, 0x07);
    buffer.SetPixel(1, 1, 0x00, 0x00, 0x00);
    struct Case {
        PixelFormat format;
        std::vector<uint8_t> row0, row1;
    } cases[] = {
        // Xvfb's depth 24: 32 bits per pixel, least significant byte first.
        {{32, false, 0xff0000, 0xff00, 0xff},
         {0x56, 0x34, 0x12, 0, 0x80, 0x00, 0xff, 0},
         {0x07, 0xfe, 0x01, 0, 0, 0, 0, 0}},
        {{32, true, 0xff0000, 0xff00, 0xff},
         {0, 0x12, 0x34, 0x56, 0, 0xff, 0x00, 0x80},
         {0, 0x01, 0xfe, 0x07, 0, 0, 0, 0}},
        {{32, false, 0xff, 0xff00, 0xff0000},
         {0x12, 0x34, 0x56, 0, 0xff, 0x00, 0x80, 0},
         {0x01, 0xfe, 0x07, 0, 0, 0, 0, 0}},
        {{24, false, 0xff0000, 0xff00, 0xff},
         {0x56, 0x34, 0x12, 0x80, 0x00, 0xff},
         {0x07, 0xfe, 0x01, 0, 0, 0}},
        {{24, true, 0xff0000, 0xff00, 0xff},
         {0x12, 0x34, 0x56, 0xff, 0x00, 0x80},
         {0x01, 0xfe, 0x07, 0, 0, 0}},
        // 5-6-5: the top bits of each channel; 0x12,0x34,0x56 is 00010 001101 01010.
        {{16, false, 0xf800, 0x07e0, 0x001f}, {0xaa, 0x11, 0x10, 0xf8}, {0xe0, 0x07, 0, 0}},
        {{16, true, 0xf800, 0x07e0, 0x001f}, {0x11, 0xaa, 0xf8, 0x10}, {0x07, 0xe0, 0, 0}},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(IsSupportedFormat(c.format)) << c.format.bitsPerPixel;
        const int32_t rowBytes = static_cast<int32_t>(c.row0.size()) + 3;
        std::vector<uint8_t> out(2 * static_cast<size_t>(rowBytes), 0xcd);
        ConvertPicture(buffer, c.format, out.data(), rowBytes);
        std::vector<uint8_t> want0 = c.row0;
        std::vector<uint8_t> want1 = c.row1;
        want0.insert(want0.end(), 3, 0xcd);
        want1.insert(want1.end(), 3, 0xcd);
        EXPECT_EQ(want0, std::vector<uint8_t>(out.begin(), out.begin() + rowBytes))
            << c.format.bitsPerPixel << (c.format.mostSignificantFirst ? " msb" : " lsb");
        EXPECT_EQ(want1, std::vector<uint8_t>(out.begin() + rowBytes, out.end()))
            << c.format.bitsPerPixel << (c.format.mostSignificantFirst ? " msb" : " lsb");
    }
}

TEST(PixelFormat, RefusesLayoutsItCannotPack) {
    const PixelFormat cases[] = {
        {8, false, 0xe0, 0x1c, 0x03},             // no 8-bit pixels
        {30, false, 0x3ff00000, 0xffc00, 0x3ff},  // no such pixel size
        {32, false, 0x3ff00000, 0xffc00, 0x3ff},  // 10-bit channels
        {32, false, 0xff0000, 0xff00, 0},         // a channel without bits
        {32, false, 0xff0000, 0xff00, 0xf0f},     // a channel in two runs
        {32, false, 0xff0000, 0xff80, 0xff},      // overlapping channels
        {16, false, 0xff0000, 0xff00, 0xff},      // a channel beyond the pixel
    };
    for (const PixelFormat& format : cases) {
        EXPECT_FALSE(IsSupportedFormat(format))
            << std::hex << format.redMask << " " << format.greenMask << " " << format.blueMask;
    }
}

}  // namespace
