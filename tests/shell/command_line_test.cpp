#include <gtest/gtest.h>
#include <windows.h>

#include <climits>

#include "shell/command_line.h"

namespace {

// What the host handle is expected to be.
enum class Host { None, Foreground, Number };

struct ParseCase {
    const char* tail;
    int32_t result;
    SaverMode mode;
    Host host;
    LONG number;
};

void PrintTo(const ParseCase& c, std::ostream* os) {
    *os << '"' << c.tail << '"';
}

class ParseCommandLineTest : public testing::TestWithParam<ParseCase> {};

TEST_P(ParseCommandLineTest, GivesModeAndHostWindow) {
    const ParseCase& c = GetParam();
    HWND host = reinterpret_cast<HWND>(static_cast<LONG_PTR>(0x5A5A));
    SaverMode mode = 99;
    EXPECT_EQ(ParseCommandLine(c.tail, &host, &mode), c.result);
    switch (c.host) {
        case Host::None:
            EXPECT_EQ(host, nullptr);
            break;
        case Host::Foreground:
            ASSERT_NE(GetForegroundWindow(), nullptr);
            EXPECT_EQ(host, GetForegroundWindow());
            break;
        case Host::Number:
            EXPECT_EQ(host, reinterpret_cast<HWND>(static_cast<LONG_PTR>(c.number)));
            break;
    }
    if (c.result == 0) {
        EXPECT_EQ(mode, c.mode);
    } else {
        EXPECT_EQ(mode, 99) << "the mode is left alone when no switch is found";
    }
}

constexpr SaverMode C = ModeConfigure;
constexpr SaverMode P = ModePreview;
constexpr SaverMode S = ModeFullScreen;
constexpr SaverMode A = ModeChangePassword;

INSTANTIATE_TEST_SUITE_P(
    EverySwitchForm, ParseCommandLineTest,
    testing::Values(
        ParseCase{"-c", 0, C, Host::Foreground, 0}, ParseCase{"-C", 0, C, Host::Foreground, 0},
        ParseCase{"/c", 0, C, Host::Foreground, 0}, ParseCase{"/C", 0, C, Host::Foreground, 0},
        ParseCase{"-p", 0, P, Host::Foreground, 0}, ParseCase{"-P", 0, P, Host::Foreground, 0},
        ParseCase{"/p", 0, P, Host::Foreground, 0}, ParseCase{"/P", 0, P, Host::Foreground, 0},
        ParseCase{"-s", 0, S, Host::Foreground, 0}, ParseCase{"-S", 0, S, Host::Foreground, 0},
        ParseCase{"/s", 0, S, Host::Foreground, 0}, ParseCase{"/S", 0, S, Host::Foreground, 0},
        ParseCase{"-a", 0, A, Host::Foreground, 0}, ParseCase{"-A", 0, A, Host::Foreground, 0},
        ParseCase{"/a", 0, A, Host::Foreground, 0}, ParseCase{"/A", 0, A, Host::Foreground, 0}));

INSTANTIATE_TEST_SUITE_P(
    TableOrderAndPlacement, ParseCommandLineTest,
    testing::Values(
        // Configure switches are searched first, wherever they stand.
        ParseCase{"-s /c", 0, C, Host::Foreground, 0},
        ParseCase{"/a /s /p 7", 0, P, Host::Number, 7},
        // -S is found before /s: its number is read after it, where "/s 12" gives none.
        ParseCase{"-S /s 12", 0, S, Host::Foreground, 0},
        ParseCase{"x/sy", 0, S, Host::Foreground, 0}, ParseCase{"  /S", 0, S, Host::Foreground, 0},
        ParseCase{"", 0, C, Host::None, 0}, ParseCase{"/x", 1, C, Host::None, 0},
        ParseCase{"help", 1, C, Host::None, 0}, ParseCase{"s c p a", 1, C, Host::None, 0},
        ParseCase{" ", 1, C, Host::None, 0}));

INSTANTIATE_TEST_SUITE_P(HandleNumbers, ParseCommandLineTest,
                         testing::Values(ParseCase{"/p 1234", 0, P, Host::Number, 1234},
                                         ParseCase{"/p1234", 0, P, Host::Number, 1234},
                                         ParseCase{"/p:1234", 0, P, Host::Foreground, 0},
                                         ParseCase{"/c:1234", 0, C, Host::Foreground, 0},
                                         ParseCase{"/s \t 77 88", 0, S, Host::Number, 77},
                                         ParseCase{"/p +42", 0, P, Host::Number, 42},
                                         ParseCase{"/p 12abc", 0, P, Host::Number, 12},
                                         ParseCase{"/p 0", 0, P, Host::Foreground, 0},
                                         ParseCase{"/p -3", 0, P, Host::Number, -3},
                                         ParseCase{"/p 2147483647", 0, P, Host::Number, LONG_MAX},
                                         ParseCase{"/p -2147483648", 0, P, Host::Number, LONG_MIN},
                                         // Past the range of atol's result no handle is given.
                                         ParseCase{"/p 2147483648", 0, P, Host::Foreground, 0},
                                         ParseCase{"/p -2147483649", 0, P, Host::Foreground, 0},
                                         ParseCase{"/a 99999999999999999999999", 0, A,
                                                   Host::Foreground, 0}));

}  // namespace
