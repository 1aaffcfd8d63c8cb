#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <vector>

#include "effect/blasts.h"
#include "effect/clock.h"
#include "effect/explosion_frames.h"
#include "effect/random.h"
#include "shell/command_line.h"
#include "shell/password.h"
#include "shell/saver_window.h"
#include "shell_test_support.h"

namespace {

const char HostClassName[] = "TorvexTestHost";
constexpr POINT StartCursor = {800, 600};

// A clock that moves on by 7 ms per reading and notes what the shell's state was at each one.
struct ClockReading {
    HWND saverWindow;
    int32_t bufferWidth;
    UINT_PTR timerId;
    int cursorCount;
};
std::vector<ClockReading> clockReadings;
uint32_t clockValue = 0;

uint32_t SteppingClock() {
    clockReadings.push_back({SaverWindow, ScreenBuffer.GetWidth(), TimerId, CursorDisplayCount()});
    const uint32_t value = clockValue;
    clockValue += 7;
    return value;
}

LRESULT CALLBACK HostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(window, message, wParam, lParam);
}

// Takes every message off the queue for the given time, dispatching it after showing it to
// the observer.
void PumpFor(DWORD milliseconds, const std::function<void(const MSG&)>& observe = nullptr) {
    const DWORD start = GetTickCount();
    MSG message;
    while (GetTickCount() - start < milliseconds) {
        if (!PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
            continue;
        }
        if (observe) {
            observe(message);
        }
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

// Removes and counts the close requests posted to the saver window.
int TakeCloseRequests() {
    int count = 0;
    MSG message;
    while (PeekMessageA(&message, SaverWindow, WM_CLOSE, WM_CLOSE, PM_REMOVE)) {
        EXPECT_EQ(message.wParam, 0u);
        EXPECT_EQ(message.lParam, 0);
        ++count;
    }
    return count;
}

bool QuitPosted(WPARAM* code) {
    MSG message;
    if (!PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
        return false;
    }
    *code = message.wParam;
    return true;
}

class SaverWindowTest : public testing::Test {
protected:
    void SetUp() override {
        ClearDoubleRecords();
        clockReadings.clear();
        clockValue = 1000;
        SetMillisecondClock(SteppingClock);
        SetCursorPos(StartCursor.x, StartCursor.y);
        startCursorCount = CursorDisplayCount();
    }

    void TearDown() override {
        DisposeSaverWindow();
        if (host != nullptr) {
            DestroyWindow(host);
        }
        UnregisterClassA(HostClassName, GetModuleHandleA(nullptr));
        SetMillisecondClock(nullptr);
        SetCursorDisplayCount(startCursorCount);
        UseDoubles(nullptr);
    }

    HWND MakeHost(int x, int y, int width, int height) {
        WNDCLASSA hostClass = {};
        hostClass.lpfnWndProc = HostProc;
        hostClass.hInstance = GetModuleHandleA(nullptr);
        hostClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
        hostClass.lpszClassName = HostClassName;
        RegisterClassA(&hostClass);
        host = CreateWindowExA(0, HostClassName, "host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, x, y,
                               width, height, nullptr, nullptr, hostClass.hInstance, nullptr);
        return host;
    }

    // The saver in the given mode; a preview fills a host of its own.
    void Start(SaverMode mode) {
        ResetShellState(mode);
        if (mode == ModePreview) {
            HostWindow = MakeHost(60, 40, 360, 250);
            ASSERT_NE(HostWindow, nullptr);
        }
        ASSERT_EQ(CreateSaverWindow(mode == ModePreview ? 1 : 0), 0);
        ASSERT_NE(SaverWindow, nullptr);
    }

    POINT Offset(int dx, int dy) const {
        return POINT{SavedCursorPos.x + dx, SavedCursorPos.y + dy};
    }

    void Move(POINT at) { SendMessageA(SaverWindow, WM_MOUSEMOVE, 0, MAKELPARAM(at.x, at.y)); }

    HWND host = nullptr;
    int startCursorCount = 0;
};

TEST_F(SaverWindowTest, RegistersItsClassAndNamesTheWindow) {
    Start(ModeFullScreen);
    WNDCLASSA registered = {};
    ASSERT_TRUE(GetClassInfoA(Instance, SaverClassName, &registered));
    EXPECT_EQ(registered.style, static_cast<UINT>(CS_VREDRAW | CS_HREDRAW));
    EXPECT_EQ(registered.lpfnWndProc, SaverWndProc);
    EXPECT_EQ(registered.cbClsExtra, 0);
    EXPECT_EQ(registered.cbWndExtra, 0);
    EXPECT_EQ(registered.hIcon, nullptr);
    EXPECT_EQ(registered.hCursor, LoadCursorA(nullptr, MAKEINTRESOURCEA(32512)));
    EXPECT_EQ(registered.hbrBackground, GetStockObject(BLACK_BRUSH));
    EXPECT_EQ(registered.lpszMenuName, nullptr);
    EXPECT_EQ(reinterpret_cast<HINSTANCE>(GetClassLongPtrA(SaverWindow, GCLP_HMODULE)), Instance);

    char name[64] = "";
    GetClassNameA(SaverWindow, name, sizeof name);
    EXPECT_STREQ(name, "TORVEX.kzw");
    GetWindowTextA(SaverWindow, name, sizeof name);
    EXPECT_STREQ(name, "Screen Saver");
}

struct WindowCase {
    const char* name;
    SaverMode mode;
    LONG style;
    LONG exStyle;
};

void PrintTo(const WindowCase& c, std::ostream* os) {
    *os << c.name;
}

class SaverWindowStyleTest : public SaverWindowTest,
                             public testing::WithParamInterface<WindowCase> {};

TEST_P(SaverWindowStyleTest, HasTheStylesOfItsMode) {
    Start(GetParam().mode);
    EXPECT_EQ(GetWindowLongA(SaverWindow, GWL_STYLE), GetParam().style);
    EXPECT_EQ(GetWindowLongA(SaverWindow, GWL_EXSTYLE), GetParam().exStyle);
}

INSTANTIATE_TEST_SUITE_P(
    Modes, SaverWindowStyleTest,
    testing::Values(WindowCase{"FullScreen", ModeFullScreen,
                               LONG(WS_POPUP | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN),
                               WS_EX_TOPMOST},
                    WindowCase{"Preview", ModePreview,
                               LONG(WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN), 0}),
    [](const testing::TestParamInfo<WindowCase>& info) { return std::string(info.param.name); });

TEST_F(SaverWindowTest, FullScreenCoversTheDisplayAndIsOwnedByTheHost) {
    ResetShellState(ModeFullScreen);
    HostWindow = MakeHost(10, 10, 200, 100);
    ASSERT_EQ(CreateSaverWindow(0), 0);

    HDC screen = GetDC(nullptr);
    const int width = GetDeviceCaps(screen, HORZRES);
    const int height = GetDeviceCaps(screen, VERTRES);
    ReleaseDC(nullptr, screen);
    RECT rect;
    GetWindowRect(SaverWindow, &rect);
    EXPECT_EQ(rect.left, 0);
    EXPECT_EQ(rect.top, 0);
    EXPECT_EQ(rect.right, width);
    EXPECT_EQ(rect.bottom, height);
    EXPECT_EQ(ScreenWidth, width);
    EXPECT_EQ(ScreenHeight, height);
    EXPECT_EQ(ScreenBuffer.GetWidth(), width);
    EXPECT_EQ(ScreenBuffer.GetHeight(), height);
    EXPECT_EQ(GetWindow(SaverWindow, GW_OWNER), HostWindow);
    EXPECT_EQ(GetParent(SaverWindow), HostWindow);
}

TEST_F(SaverWindowTest, PreviewFillsTheHostsOuterSizeAtItsClientOrigin) {
    Start(ModePreview);
    RECT hostRect;
    GetWindowRect(HostWindow, &hostRect);
    RECT hostClient;
    GetClientRect(HostWindow, &hostClient);
    ASSERT_LT(hostClient.right, hostRect.right - hostRect.left) << "the host needs a frame";

    EXPECT_EQ(GetAncestor(SaverWindow, GA_PARENT), HostWindow);
    RECT rect;
    GetWindowRect(SaverWindow, &rect);
    POINT origin = {rect.left, rect.top};
    ScreenToClient(HostWindow, &origin);
    EXPECT_EQ(origin.x, 0);
    EXPECT_EQ(origin.y, 0);
    EXPECT_EQ(rect.right - rect.left, hostRect.right - hostRect.left);
    EXPECT_EQ(rect.bottom - rect.top, hostRect.bottom - hostRect.top);
    EXPECT_EQ(ScreenWidth, hostRect.right - hostRect.left);
    EXPECT_EQ(ScreenHeight, hostRect.bottom - hostRect.top);
    EXPECT_EQ(ScreenBuffer.GetWidth(), ScreenWidth);
    EXPECT_EQ(ScreenBuffer.GetHeight(), ScreenHeight);
}

TEST_F(SaverWindowTest, PreviewOfAHandleThatNamesNoWindowFails) {
    ResetShellState(ModePreview);
    HostWindow = MakeHost(10, 10, 200, 100);
    DestroyWindow(host);
    host = nullptr;
    ScreenWidth = 0;
    ScreenHeight = 0;
    EXPECT_EQ(CreateSaverWindow(1), 1);
    EXPECT_EQ(SaverWindow, nullptr);
    EXPECT_EQ(ScreenBuffer.GetLine(0), nullptr) << "nothing was built";
}

TEST_F(SaverWindowTest, CreationBuildsEverythingInOrderBeforeTheTimerAndTheHiddenCursor) {
    Start(ModeFullScreen);
    const int shown = startCursorCount;

    // Reading 0 seeds the generator, the rest belong to the frame synthesis: the window is
    // known throughout, the buffer exists from the frames on, no timer or hidden cursor yet.
    ASSERT_GE(clockReadings.size(), 2u);
    EXPECT_EQ(clockReadings[0].saverWindow, SaverWindow);
    EXPECT_EQ(clockReadings[0].bufferWidth, 0);
    for (size_t i = 0; i < clockReadings.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(clockReadings[i].saverWindow, SaverWindow);
        EXPECT_EQ(clockReadings[i].timerId, 0u);
        EXPECT_EQ(clockReadings[i].cursorCount, shown);
        if (i > 0) {
            EXPECT_EQ(clockReadings[i].bufferWidth, ScreenWidth);
        }
    }

    EXPECT_NE(TimerId, 0u);
    EXPECT_EQ(CursorDisplayCount(), shown - 1);
    EXPECT_EQ(SavedCursorPos.x, StartCursor.x);
    EXPECT_EQ(SavedCursorPos.y, StartCursor.y);

    // The blasts were set up after the frames, for this window's size: replaying the same
    // clock gives the same slots and generator state.
    const BlastSlots created = Blasts;
    const uint32_t createdState = GetRandomState();
    clockValue = 1000;
    SeedRandom(ReadMillisecondClock());
    BuildExplosionFrames();
    InitBlasts();
    EXPECT_EQ(std::memcmp(&created, &Blasts, sizeof Blasts), 0);
    EXPECT_EQ(createdState, GetRandomState());
}

TEST_F(SaverWindowTest, PreviewLeavesTheCursorAlone) {
    Start(ModePreview);
    EXPECT_EQ(CursorDisplayCount(), startCursorCount);
    EXPECT_NE(TimerId, 0u);
}

// What the window asks SetTimer for, seen through this program's import of it.
struct TimerRequest {
    HWND window;
    UINT_PTR id;
    UINT interval;
    TIMERPROC callback;
};
std::vector<TimerRequest> timerRequests;
using SetTimerFunction = UINT_PTR(WINAPI*)(HWND, UINT_PTR, UINT, TIMERPROC);
SetTimerFunction realSetTimer;

UINT_PTR WINAPI RecordingSetTimer(HWND window, UINT_PTR id, UINT interval, TIMERPROC callback) {
    timerRequests.push_back({window, id, interval, callback});
    return realSetTimer(window, id, interval, callback);
}

class SaverTimerTest : public SaverWindowTest, public testing::WithParamInterface<SaverMode> {};

TEST_P(SaverTimerTest, AsksForOneTimerOfFiveMilliseconds) {
    timerRequests.clear();
    {
        ImportReplacement replacement("USER32.dll", "SetTimer",
                                      reinterpret_cast<void*>(RecordingSetTimer));
        ASSERT_NE(replacement.Original(), nullptr);
        realSetTimer = reinterpret_cast<SetTimerFunction>(replacement.Original());
        Start(GetParam());
    }
    ASSERT_EQ(timerRequests.size(), 1u);
    EXPECT_EQ(timerRequests[0].window, SaverWindow);
    EXPECT_EQ(timerRequests[0].id, TickTimerId);
    EXPECT_EQ(timerRequests[0].interval, 5u);
    EXPECT_EQ(timerRequests[0].callback, nullptr);
    EXPECT_NE(TimerId, 0u);
}

// Wine, like Windows, raises intervals under 10 ms to 10 ms: the 5 ms timer gives about 100
// ticks a second, whatever the buffer's size; a 20 ms one could give no more than 50.
TEST_P(SaverTimerTest, TicksAboutAHundredTimesASecond) {
    Start(GetParam());
    PumpFor(300);
    int ticks = 0;
    const DWORD start = GetTickCount();
    PumpFor(2000, [&](const MSG& m) {
        ticks += m.message == WM_TIMER && m.hwnd == SaverWindow && m.wParam == TickTimerId;
    });
    const double perSecond = ticks * 1000.0 / (GetTickCount() - start);
    std::printf("%dx%d: %.1f ticks per second\n", ScreenWidth, ScreenHeight, perSecond);
    RecordProperty("ticks_per_second", static_cast<int>(perSecond));
    EXPECT_GE(perSecond, 65.0);
}

INSTANTIATE_TEST_SUITE_P(Modes, SaverTimerTest, testing::Values(ModeFullScreen, ModePreview),
                         [](const testing::TestParamInfo<SaverMode>& info) {
                             return std::string(info.param == ModePreview ? "Preview"
                                                                          : "FullScreen");
                         });

// Draws ticks through the window procedure, then reads the window back: what is on the screen
// is the whole buffer, upright, in its colours.
void ExpectPresentedBuffer(HWND window, int visibleWidth, int visibleHeight) {
    for (int tick = 0; tick < 90; ++tick) {
        SendMessageA(window, WM_TIMER, 0, 0);
    }
    const std::vector<uint8_t> shown = ReadWindowPixels(window, visibleWidth, visibleHeight);
    int64_t lit = 0;
    int64_t mismatches = 0;
    for (int y = 0; y < visibleHeight; ++y) {
        const uint8_t* row = ScreenBuffer.GetLine(y);
        ASSERT_NE(row, nullptr);
        for (int x = 0; x < visibleWidth * 3; ++x) {
            lit += row[x] != 0;
            mismatches += row[x] != shown[static_cast<size_t>(y) * visibleWidth * 3 + x];
        }
    }
    EXPECT_GT(lit, 1000) << "after 90 ticks some blasts play";
    EXPECT_EQ(mismatches, 0);
}

TEST_F(SaverWindowTest, PreviewPresentsTheWholeBufferInTheHost) {
    Start(ModePreview);
    RECT client;
    GetClientRect(HostWindow, &client);
    ExpectPresentedBuffer(SaverWindow, client.right, client.bottom);
}

TEST_F(SaverWindowTest, FullScreenPresentsTheWholeBuffer) {
    Start(ModeFullScreen);
    ExpectPresentedBuffer(SaverWindow, ScreenWidth, ScreenHeight);
}

TEST_F(SaverWindowTest, NothingIsPresentedWithoutABuffer) {
    Start(ModePreview);
    HDC dc = GetDC(SaverWindow);
    RECT client;
    GetClientRect(HostWindow, &client);
    FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    ReleaseDC(SaverWindow, dc);
    ScreenBuffer.Destroy();

    SendMessageA(SaverWindow, WM_TIMER, 0, 0);
    const std::vector<uint8_t> shown = ReadWindowPixels(SaverWindow, client.right, client.bottom);
    int64_t notWhite = 0;
    for (uint8_t byte : shown) {
        notWhite += byte != 255;
    }
    EXPECT_EQ(notWhite, 0);
}

TEST_F(SaverWindowTest, EraseBlackensTheWindowThroughItsOwnDeviceContext) {
    Start(ModePreview);
    RECT client;
    GetClientRect(HostWindow, &client);
    HDC dc = GetDC(SaverWindow);
    FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    ReleaseDC(SaverWindow, dc);

    HDC other = CreateCompatibleDC(nullptr);
    EXPECT_NE(SendMessageA(SaverWindow, WM_ERASEBKGND, reinterpret_cast<WPARAM>(other), 0), 0);
    DeleteDC(other);
    const std::vector<uint8_t> shown = ReadWindowPixels(SaverWindow, client.right, client.bottom);
    int64_t notBlack = 0;
    for (uint8_t byte : shown) {
        notBlack += byte != 0;
    }
    EXPECT_EQ(notBlack, 0);
}

struct InputCase {
    const char* name;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    bool closesFullScreen;
};

void PrintTo(const InputCase& c, std::ostream* os) {
    *os << c.name;
}

class SaverInputTest : public SaverWindowTest, public testing::WithParamInterface<InputCase> {};

TEST_P(SaverInputTest, FullScreenClosesOnPressesOnly) {
    Start(ModeFullScreen);
    const InputCase& c = GetParam();
    const LRESULT result = SendMessageA(SaverWindow, c.message, c.wParam, c.lParam);
    EXPECT_EQ(TakeCloseRequests(), c.closesFullScreen ? 1 : 0);
    if (c.closesFullScreen) {
        EXPECT_EQ(result, 0);
    }
    EXPECT_TRUE(IsWindow(SaverWindow));
}

TEST_P(SaverInputTest, PreviewIgnoresAllInput) {
    Start(ModePreview);
    const InputCase& c = GetParam();
    SendMessageA(SaverWindow, c.message, c.wParam, c.lParam);
    EXPECT_EQ(TakeCloseRequests(), 0);
    EXPECT_TRUE(IsWindow(SaverWindow));
    EXPECT_EQ(CursorDisplayCount(), startCursorCount);
}

constexpr LPARAM AltDown = LPARAM(1) << 29;

INSTANTIATE_TEST_SUITE_P(
    Messages, SaverInputTest,
    testing::Values(InputCase{"KeyDown", WM_KEYDOWN, 'A', 1, true},
                    InputCase{"AltKey", WM_SYSKEYDOWN, 'X', AltDown | 1, true},
                    InputCase{"AltAlone", WM_SYSKEYDOWN, VK_MENU, AltDown | 1, true},
                    InputCase{"LeftPress", WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5), true},
                    InputCase{"RightPress", WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(5, 5), true},
                    InputCase{"MiddlePress", WM_MBUTTONDOWN, MK_MBUTTON, MAKELPARAM(5, 5), false},
                    InputCase{"Wheel", WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), MAKELPARAM(5, 5),
                              false},
                    InputCase{"KeyUp", WM_KEYUP, 'A', LPARAM(0xC0000001), false},
                    InputCase{"AltKeyUp", WM_SYSKEYUP, 'X', LPARAM(0xE0000001), false},
                    InputCase{"LeftRelease", WM_LBUTTONUP, 0, MAKELPARAM(5, 5), false},
                    InputCase{"RightRelease", WM_RBUTTONUP, 0, MAKELPARAM(5, 5), false},
                    InputCase{"Character", WM_CHAR, 'a', 1, false}),
    [](const testing::TestParamInfo<InputCase>& info) { return std::string(info.param.name); });

struct MoveCase {
    const char* name;
    SaverMode mode;
    // Where the cursor stands when the saver starts, and where every move reports it: the
    // message's two 16-bit halves.
    POINT start;
    uint16_t x;
    uint16_t y;
    int moves;
    // The move (counted from 1) that asks to close; 0: none does.
    int closingMove;
};

void PrintTo(const MoveCase& c, std::ostream* os) {
    *os << c.name;
}

class SaverMovementTest : public SaverWindowTest, public testing::WithParamInterface<MoveCase> {};

TEST_P(SaverMovementTest, ClosesOnlyAfterSixMovesFarOnBothAxes) {
    const MoveCase& c = GetParam();
    SetCursorPos(c.start.x, c.start.y);
    Start(c.mode);
    if (c.mode == ModeFullScreen) {
        ASSERT_EQ(SavedCursorPos.x, c.start.x);
        ASSERT_EQ(SavedCursorPos.y, c.start.y);
    }
    for (int move = 1; move <= c.moves; ++move) {
        SCOPED_TRACE(move);
        SendMessageA(SaverWindow, WM_MOUSEMOVE, 0, MAKELPARAM(c.x, c.y));
        EXPECT_EQ(TakeCloseRequests(), (c.closingMove != 0 && move >= c.closingMove) ? 1 : 0);
    }
}

constexpr POINT Centre = {800, 600};

INSTANTIATE_TEST_SUITE_P(
    Moves, SaverMovementTest,
    testing::Values(MoveCase{"FarAway", ModeFullScreen, Centre, 1300, 1000, 9, 7},
                    MoveCase{"FourDownRight", ModeFullScreen, Centre, 804, 604, 9, 7},
                    MoveCase{"FourUpLeft", ModeFullScreen, Centre, 796, 596, 9, 7},
                    MoveCase{"FiftyRightThreeDown", ModeFullScreen, Centre, 850, 603, 40, 0},
                    MoveCase{"ThreeLeftFiftyUp", ModeFullScreen, Centre, 797, 550, 40, 0},
                    MoveCase{"StandingStill", ModeFullScreen, Centre, 800, 600, 40, 0},
                    // The halves are unsigned: 0xFFFF is 65535, far from 1, not -1, next to it.
                    MoveCase{"HalvesUnsigned", ModeFullScreen, {1, 1}, 0xFFFF, 0xFFFF, 9, 7},
                    // The preview ignores movement, however far.
                    MoveCase{"PreviewFarAway", ModePreview, Centre, 1300, 1000, 40, 0}),
    [](const testing::TestParamInfo<MoveCase>& info) { return std::string(info.param.name); });

TEST_F(SaverWindowTest, MovesNearTheSavedPositionStillCount) {
    Start(ModeFullScreen);
    for (int move = 0; move < 10; ++move) {
        Move(Offset(2, -2));
    }
    EXPECT_EQ(TakeCloseRequests(), 0);
    Move(Offset(4, -4));
    EXPECT_EQ(TakeCloseRequests(), 1);
}

struct SysCommandCase {
    const char* name;
    SaverMode mode;
    WPARAM command;
};

void PrintTo(const SysCommandCase& c, std::ostream* os) {
    *os << c.name;
}

class SaverSysCommandTest : public SaverWindowTest,
                            public testing::WithParamInterface<SysCommandCase> {};

TEST_P(SaverSysCommandTest, IsIgnored) {
    Start(GetParam().mode);
    RECT before;
    GetWindowRect(SaverWindow, &before);
    EXPECT_EQ(SendMessageA(SaverWindow, WM_SYSCOMMAND, GetParam().command, 0), 0);
    PumpFor(50);
    ASSERT_TRUE(IsWindow(SaverWindow));
    EXPECT_FALSE(IsIconic(SaverWindow));
    EXPECT_FALSE(IsZoomed(SaverWindow));
    RECT after;
    GetWindowRect(SaverWindow, &after);
    EXPECT_TRUE(EqualRect(&before, &after));
}

INSTANTIATE_TEST_SUITE_P(
    Commands, SaverSysCommandTest,
    testing::Values(SysCommandCase{"FullScreenClose", ModeFullScreen, SC_CLOSE},
                    SysCommandCase{"FullScreenMinimize", ModeFullScreen, SC_MINIMIZE},
                    SysCommandCase{"FullScreenMaximize", ModeFullScreen, SC_MAXIMIZE},
                    SysCommandCase{"FullScreenMove", ModeFullScreen, SC_MOVE},
                    SysCommandCase{"FullScreenScreenSave", ModeFullScreen, SC_SCREENSAVE},
                    SysCommandCase{"PreviewClose", ModePreview, SC_CLOSE},
                    SysCommandCase{"PreviewMinimize", ModePreview, SC_MINIMIZE},
                    SysCommandCase{"PreviewSize", ModePreview, SC_SIZE}),
    [](const testing::TestParamInfo<SysCommandCase>& info) {
        return std::string(info.param.name);
    });

TEST_F(SaverWindowTest, PreviewClosesWithoutAPasswordCheck) {
    UsePasswordSetting setting;
    setting.SetDword(1);
    UseDoubles("verify");
    Start(ModePreview);
    EXPECT_EQ(SendMessageA(SaverWindow, WM_CLOSE, 0, 0), 0);
    EXPECT_FALSE(IsWindow(SaverWindow));
    EXPECT_EQ(ReadEnvironment("TORVEX_DOUBLE_VERIFY_CALLS"), "");
}

TEST_F(SaverWindowTest, FullScreenClosesOnAKeyWithoutPassword) {
    UsePasswordSetting setting;
    setting.Remove();
    Start(ModeFullScreen);
    SendMessageA(SaverWindow, WM_KEYDOWN, VK_SPACE, 1);
    MSG message;
    ASSERT_TRUE(PeekMessageA(&message, SaverWindow, WM_CLOSE, WM_CLOSE, PM_REMOVE));
    DispatchMessageA(&message);
    EXPECT_FALSE(IsWindow(SaverWindow));
    WPARAM code = 99;
    ASSERT_TRUE(QuitPosted(&code));
    EXPECT_EQ(code, 0u);
}

class SaverTeardownTest : public SaverWindowTest, public testing::WithParamInterface<SaverMode> {};

TEST_P(SaverTeardownTest, StopsTheTimerShowsTheCursorFreesTheBufferAndQuits) {
    Start(GetParam());
    const int countBefore = CursorDisplayCount();
    ASSERT_NE(ScreenBuffer.GetLine(0), nullptr);

    // The teardown alone, on a window that still exists, so that its timer can be watched.
    EXPECT_EQ(SendMessageA(SaverWindow, WM_DESTROY, 0, 0), 0);
    EXPECT_EQ(CursorDisplayCount(), countBefore + 1);
    EXPECT_EQ(ScreenBuffer.GetLine(0), nullptr);
    WPARAM code = 99;
    ASSERT_TRUE(QuitPosted(&code));
    EXPECT_EQ(code, 0u);
    int ticks = 0;
    const DWORD start = GetTickCount();
    MSG message;
    while (GetTickCount() - start < 200) {
        ticks += PeekMessageA(&message, SaverWindow, WM_TIMER, WM_TIMER, PM_REMOVE) ? 1 : 0;
        Sleep(5);
    }
    EXPECT_EQ(ticks, 0);
}

INSTANTIATE_TEST_SUITE_P(Modes, SaverTeardownTest, testing::Values(ModeFullScreen, ModePreview),
                         [](const testing::TestParamInfo<SaverMode>& info) {
                             return std::string(info.param == ModePreview ? "Preview"
                                                                          : "FullScreen");
                         });

}  // namespace
