// torvex-render: runs what the saver window's creation runs, without a window, then a number of
// compose ticks, and writes what came out as pictures.
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "common/number_text.h"
#include "common/stepping_clock.h"
#include "effect/blasts.h"
#include "effect/explosion_frames.h"
#include "picture_files.h"

namespace {

constexpr int ExitError = 2;

const char Usage[] =
    "usage: torvex-render [--clock START:STEP] [--size WxH] [--ticks N]\n"
    "                     [--out FILE [--frame I]] [--sheet FILE] [--frames DIR]\n"
    "  --clock START:STEP  the i-th read of the millisecond clock returns START + i * STEP\n"
    "                      (default: the real clock)\n"
    "  --size WxH          the screen size, 1..32767 each (default 800x600)\n"
    "  --ticks N           compose ticks after the blasts are set up (default 0)\n"
    "  --out FILE          the back buffer after the last tick, .png or .bmp\n"
    "  --frame I           with --out: element I (0..299) of the frame bank instead\n"
    "  --sheet FILE        all 300 frames, a row of 30 per sequence, .png or .bmp\n"
    "  --frames DIR        one PNG per tick, DIR/tick-000001.png and on\n"
    "Exit code 0 on success, 2 on any error.\n";

struct Options {
    bool steppingClock = false;
    uint32_t clockStart = 0;
    uint32_t clockStep = 0;
    int32_t width = 800;
    int32_t height = 600;
    int64_t ticks = 0;
    std::string out;
    int32_t frame = -1;
    std::string sheet;
    std::string framesDir;
};

[[noreturn]] void Fail(const std::string& message) {
    std::fprintf(stderr, "torvex-render: %s\n", message.c_str());
    std::exit(ExitError);
}

[[noreturn]] void FailUsage(const std::string& message) {
    std::fprintf(stderr, "torvex-render: %s\n%s", message.c_str(), Usage);
    std::exit(ExitError);
}

Options Parse(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        if (option == "--help" || option == "-h") {
            std::fputs(Usage, stdout);
            std::exit(0);
        }
        if (option.rfind("--", 0) != 0) {
            FailUsage("unexpected argument '" + option + "'");
        }
        const bool known = option == "--clock" || option == "--size" || option == "--ticks" ||
                           option == "--out" || option == "--frame" || option == "--sheet" ||
                           option == "--frames";
        if (!known) {
            FailUsage("unknown option '" + option + "'");
        }
        if (i + 1 >= argc) {
            FailUsage(option + " needs a value");
        }
        const std::string value = argv[++i];
        if (option == "--clock") {
            if (!ParseClockOption(value, &options.clockStart, &options.clockStep)) {
                FailUsage("--clock wants START:STEP, each 0.." + std::to_string(UINT32_MAX) +
                          ", not '" + value + "'");
            }
            options.steppingClock = true;
        } else if (option == "--size") {
            int64_t w = 0;
            int64_t h = 0;
            // The screen size is held in 16 signed bits.
            if (!ParsePair(value, 'x', INT64_MIN / 2, INT64_MAX / 2, &w, &h)) {
                FailUsage("--size wants WxH, not '" + value + "'");
            }
            if (w < 1 || w > INT16_MAX || h < 1 || h > INT16_MAX) {
                FailUsage("--size " + value + " is out of range: width and height are 1..32767");
            }
            options.width = static_cast<int32_t>(w);
            options.height = static_cast<int32_t>(h);
        } else if (option == "--ticks") {
            if (!ParseNumber(value, 0, INT32_MAX, &options.ticks)) {
                FailUsage("--ticks wants a number 0.." + std::to_string(INT32_MAX) + ", not '" +
                          value + "'");
            }
        } else if (option == "--frame") {
            int64_t frame = 0;
            if (!ParseNumber(value, 0, FrameBankSize - 1, &frame)) {
                FailUsage("--frame wants an element 0.." + std::to_string(FrameBankSize - 1) +
                          ", not '" + value + "'");
            }
            options.frame = static_cast<int32_t>(frame);
        } else if (option == "--out") {
            options.out = value;
        } else if (option == "--sheet") {
            options.sheet = value;
        } else {
            options.framesDir = value;
        }
    }
    PictureFormat format;
    if (options.frame >= 0 && options.out.empty()) {
        FailUsage("--frame needs --out FILE");
    }
    if (!options.out.empty() && !FormatOfName(options.out, &format)) {
        FailUsage("--out " + options.out + ": the name must end in .png or .bmp");
    }
    if (!options.sheet.empty() && !FormatOfName(options.sheet, &format)) {
        FailUsage("--sheet " + options.sheet + ": the name must end in .png or .bmp");
    }
    if (options.out.empty() && options.sheet.empty() && options.framesDir.empty()) {
        FailUsage("nothing to write: give --out, --sheet or --frames");
    }
    return options;
}

// Opened before the long work, so that an unwritable name fails at once.
struct OutputFile {
    std::string name;
    std::FILE* file = nullptr;
};

OutputFile Open(const std::string& name) {
    OutputFile out{name, std::fopen(name.c_str(), "wb")};
    if (out.file == nullptr) {
        Fail("cannot write " + name + ": " + std::strerror(errno));
    }
    return out;
}

void Close(OutputFile& out) {
    if (std::fclose(out.file) != 0) {
        Fail("cannot write " + out.name + ": " + std::strerror(errno));
    }
    out.file = nullptr;
}

void WriteImage(OutputFile& out, const DibImage& image) {
    PictureFormat format = PictureFormat::Png;
    FormatOfName(out.name, &format);
    std::string error;
    const bool written = format == PictureFormat::Png ? WriteImagePng(out.file, image, &error)
                                                      : WriteImageBmp(out.file, image, &error);
    if (!written) {
        Fail("cannot write " + out.name + ": " + error);
    }
    Close(out);
}

void WriteSheet(OutputFile& out) {
    constexpr int32_t width = FramesPerSequence * FrameSize;
    constexpr int32_t height = SequenceCount * FrameSize;
    PictureFormat format = PictureFormat::Png;
    FormatOfName(out.name, &format);
    std::string error;
    bool written = false;
    if (format == PictureFormat::Png) {
        written = WritePng(
            out.file, width, height,
            [](int32_t y, uint8_t* rgb) {
                const int32_t s = y / FrameSize;
                for (int32_t k = 0; k < FramesPerSequence; ++k) {
                    const uint8_t* bgr =
                        FrameBank[s * FramesPerSequence + k].GetLine(y % FrameSize);
                    uint8_t* tile = rgb + 3 * k * FrameSize;
                    for (int32_t x = 0; x < FrameSize; ++x) {
                        tile[3 * x + 0] = bgr != nullptr ? bgr[3 * x + 2] : 0;
                        tile[3 * x + 1] = bgr != nullptr ? bgr[3 * x + 1] : 0;
                        tile[3 * x + 2] = bgr != nullptr ? bgr[3 * x + 0] : 0;
                    }
                }
            },
            &error);
    } else {
        DibImage sheet;
        if (sheet.Create(width, height, 24) == 0) {
            Fail("out of memory for the sheet");
        }
        for (int32_t y = 0; y < height; ++y) {
            const int32_t s = y / FrameSize;
            for (int32_t k = 0; k < FramesPerSequence; ++k) {
                const uint8_t* bgr = FrameBank[s * FramesPerSequence + k].GetLine(y % FrameSize);
                if (bgr != nullptr) {
                    std::memcpy(sheet.GetLine(y) + 3 * k * FrameSize, bgr, 3 * FrameSize);
                }
            }
        }
        written = WriteImageBmp(out.file, sheet, &error);
    }
    if (!written) {
        Fail("cannot write " + out.name + ": " + error);
    }
    Close(out);
}

}  // namespace

int main(int argc, char** argv) {
    const Options options = Parse(argc, argv);

    OutputFile out;
    OutputFile sheet;
    if (!options.out.empty()) {
        out = Open(options.out);
    }
    if (!options.sheet.empty()) {
        sheet = Open(options.sheet);
    }
    if (!options.framesDir.empty()) {
        std::error_code error;
        std::filesystem::create_directories(options.framesDir, error);
        if (!std::filesystem::is_directory(options.framesDir, error)) {
            Fail("cannot make the folder " + options.framesDir +
                 (error ? ": " + error.message() : ""));
        }
    }

    if (options.steppingClock) {
        InstallSteppingClock(options.clockStart, options.clockStep);
    }
    ScreenWidth = static_cast<int16_t>(options.width);
    ScreenHeight = static_cast<int16_t>(options.height);
    StartEffect();
    if (ScreenBuffer.GetBits() == nullptr) {
        Fail("out of memory for a " + std::to_string(options.width) + "x" +
             std::to_string(options.height) + " buffer");
    }

    for (int64_t tick = 1; tick <= options.ticks; ++tick) {
        ComposeTick();
        if (!options.framesDir.empty()) {
            char name[32];
            std::snprintf(name, sizeof name, "tick-%06lld.png", static_cast<long long>(tick));
            OutputFile file = Open((std::filesystem::path(options.framesDir) / name).string());
            WriteImage(file, ScreenBuffer);
        }
    }

    if (out.file != nullptr) {
        WriteImage(out, options.frame >= 0 ? FrameBank[options.frame] : ScreenBuffer);
    }
    if (sheet.file != nullptr) {
        WriteSheet(sheet);
    }
    return 0;
}
