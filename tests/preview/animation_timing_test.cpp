#include <gtest/gtest.h>

#include <string>

#include "preview/animation_timing.h"
#include "preview/apng_frames.h"
#include "preview/frame_composition.h"
#include "preview/frame_loading.h"
#include "preview/gif_frames.h"
#include "preview/preview_pipeline.h"
#include "preview/preview_state.h"
#include "resources/resource.h"
#include "shell/main_state.h"
#include "support/list_view_items.h"
#include "support/main_window_harness.h"
#include "support/test_files.h"
#include "support/test_pictures.h"
#include "support/window_driver.h"
#include "thumbnails/renderers/image_decoding.h"
#include "thumbnails/tiles.h"

namespace {

DWORD TickNow() { return static_cast<DWORD>(GetTickCount64()); }

void DeleteBitmap(HBITMAP* bitmap) {
    if (*bitmap) DeleteObject(*bitmap);
    *bitmap = nullptr;
}

void ResetPreviewState() {
    DeleteBitmap(&previewBitmap);
    DeleteBitmap(&previewCanvas);
    if (animTimer) DeleteTimerQueueTimer(nullptr, animTimer, INVALID_HANDLE_VALUE);
    animTimer = nullptr;
    FreeAnimationFile();
    animFrameIndex = 0;
    animationRunning = 0;
    animDisposal = 1;
    animDelayMs = 0;
    previewAlpha = 0;
    webpPrevDisposal = 0;
    webpPrevRect = {0, 0, 0, 0};
    previewBitmapInfo = {};
}

// The 10001 commands waiting for the main window, taken off the queue.
int TakeStepCommands() {
    int count = 0;
    MSG msg;
    while (PeekMessageW(&msg, mainWindow, WM_COMMAND, WM_COMMAND, PM_REMOVE)) {
        if (LOWORD(msg.wParam) == ID_ANIMATION_STEP) {
            ++count;
            EXPECT_EQ(msg.lParam, 1);
        }
    }
    return count;
}

// The main window on a folder of animations, with a preview window of the
// test's own made visible: what the preview pipeline would show them in.
class AnimationTest : public testing::Test {
protected:
    TempFolder folder;
    MainWindowHarness harness;
    HWND preview = nullptr;
    HBITMAP firstApngPicture = nullptr;

    void SetUp() override {
        for (const wchar_t* name : {L"anim.gif", L"apng_ops.png", L"anim.webp"})
            ASSERT_TRUE(WriteBytes(folder / name, ReadBytes(FrameFixture(name))));
        ASSERT_TRUE(harness.OpenListed(folder.path(), {{L"SystemSetting", L"darkMode", L"ON"}}));
        preview = CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 0, 0, 200, 150, nullptr, nullptr,
                                  nullptr, nullptr);
        previewWindow = preview;
        ResetPreviewState();
    }
    void TearDown() override {
        ResetPreviewState();
        DeleteBitmap(&firstApngPicture);
        previewWindow = nullptr;
        DestroyWindow(preview);
    }

    // Focuses the file and sets the animation up as the preview pipeline
    // does when it first shows it.
    void ShowFirstFrame(const std::wstring& name) {
        ListViewFocusOnly(listView, ListViewIndexOf(listView, name));
        std::wstring path = folder / name;
        TFrameRect placement = {0, 0, 0, 0};
        previewBitmap = LoadAnimationFrame(path.c_str(), &placement);
        ASSERT_NE(previewBitmap, nullptr);
        GetObjectW(previewBitmap, sizeof previewBitmapInfo, &previewBitmapInfo);
        std::wstring extension = name.substr(name.rfind(L'.'));
        if (extension == L".gif") {
            TFrameRect canvas = {0, 0, 0, 0};
            GetGifCanvasSize(animFileData, animFileSize, &canvas);
            previewBitmap = PadBitmapOnBackground(mainWindow, previewBitmap, canvas);
            GetObjectW(previewBitmap, sizeof previewBitmapInfo, &previewBitmapInfo);
            previewCanvas = DisposeGifFrame(previewBitmap, previewBitmap, animDisposal, placement);
            animationRunning = 1;
        } else if (extension == L".png") {
            ReadApngFrameInfo(&animFrameIndex, animFileData, animFileSize, &animDelayMs, &placement,
                              &animDisposal, &animationRunning);
            firstApngPicture = CopyBitmap(previewBitmap);
            previewCanvas = DisposeApngFrame(CopyBitmap(previewBitmap), firstApngPicture, animDisposal, placement);
        } else {
            ASSERT_GE(animDisposal, 8);
            previewCanvas = CopyBitmap(previewBitmap);
            animDisposal -= 8;
            animationRunning = 1;
        }
        ASSERT_EQ(animationRunning, 1);
    }

    // One tick, due at once.
    void Step() {
        animLastFrameTick = TickNow() - 1000000;
        SendMessageW(mainWindow, WM_COMMAND, ID_ANIMATION_STEP, 1);
    }
};

// Where the composer leaves a pixel transparent, the preview shows its
// background.
void ExpectComposedLike(HBITMAP shown, const std::wstring& reference, COLORREF background) {
    HBITMAP expected = LoadImageFile(reference.c_str());
    ASSERT_NE(expected, nullptr) << ToUtf8(reference);
    BitmapPixels want = ReadBitmapPixels(expected), got = ReadBitmapPixels(shown);
    DeleteObject(expected);
    ASSERT_EQ(got.width, want.width) << ToUtf8(reference);
    ASSERT_EQ(got.height, want.height) << ToUtf8(reference);
    Pixel behind = MakePixel(GetRValue(background), GetGValue(background), GetBValue(background));
    int wrong = 0;
    for (int y = 0; y < want.height; ++y) {
        for (int x = 0; x < want.width; ++x) {
            Pixel w = want.at(x, y);
            ASSERT_TRUE(PixelAlpha(w) == 0 || PixelAlpha(w) == 255);
            Pixel colour = PixelAlpha(w) == 0 ? behind : w;
            if (PixelColour(got.at(x, y)) != PixelColour(colour) && wrong++ < 3)
                ADD_FAILURE() << ToUtf8(reference) << " at (" << x << ", " << y << "): "
                              << ColourText(got.at(x, y)) << " instead of " << ColourText(colour);
        }
    }
    EXPECT_EQ(wrong, 0) << ToUtf8(reference);
}

// Steps through every frame and on to frames 0 and 1 again, comparing each
// shown picture with the reference frames `prefix`N.png, numbered from
// `first`.
struct StepCase {
    const wchar_t* file;
    const wchar_t* prefix;
    int first;
    bool themeBackground;  // else transparent black
};

class AnimationStepTest : public AnimationTest, public testing::WithParamInterface<StepCase> {};

TEST_P(AnimationStepTest, EveryDisposalAndBlendingAndAgainFromTheFirstFrame) {
    const StepCase& c = GetParam();
    COLORREF background = c.themeBackground ? ThemeBackground() : RGB(0, 0, 0);
    auto reference = [&](int frame) { return FrameFixture(c.prefix + std::to_wstring(frame + c.first) + L".png"); };
    ShowFirstFrame(c.file);
    ExpectComposedLike(previewBitmap, reference(0), background);
    for (int step : {1, 2, 3, 0, 1}) {
        Step();
        EXPECT_EQ(animFrameIndex, step);
        ExpectComposedLike(previewBitmap, reference(step), background);
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, AnimationStepTest,
                         testing::Values(StepCase{L"anim.gif", L"anim_gif_", 0, true},
                                         StepCase{L"apng_ops.png", L"apng_ops_", 1, false},
                                         StepCase{L"anim.webp", L"anim_webp_", 0, true}));

TEST_F(AnimationTest, TimerCallbackPostsOneStepOnlyWhenFired) {
    TakeStepCommands();
    AnimationTimerProc(nullptr, FALSE);
    EXPECT_EQ(TakeStepCommands(), 0);
    AnimationTimerProc(nullptr, TRUE);
    EXPECT_EQ(TakeStepCommands(), 1);
}

TEST_F(AnimationTest, StartArmsOneShotTimerAfterTheFrameDelay) {
    animationRunning = 1;
    animFrameIndex = 2;
    animDelayMs = 60;
    TakeStepCommands();
    ULONGLONG start = GetTickCount64();
    SendMessageW(mainWindow, WM_COMMAND, ID_ANIMATION_START, 0);
    EXPECT_NE(animTimer, nullptr);
    EXPECT_EQ(animationRunning, 0);
    EXPECT_EQ(animFrameIndex, 0);
    int steps = 0;
    ULONGLONG first = 0;
    while (GetTickCount64() - start < 500) {
        int taken = TakeStepCommands();
        if (taken && !steps) first = GetTickCount64() - start;
        steps += taken;
        Sleep(5);
    }
    EXPECT_EQ(steps, 1);
    EXPECT_GE(first, 50u);

    // A start while nothing is to be animated arms nothing.
    DeleteTimerQueueTimer(nullptr, animTimer, INVALID_HANDLE_VALUE);
    animTimer = nullptr;
    SendMessageW(mainWindow, WM_COMMAND, ID_ANIMATION_START, 0);
    EXPECT_EQ(animTimer, nullptr);
    Sleep(150);
    EXPECT_EQ(TakeStepCommands(), 0);
}

// Through the message loop: the timer's command renders frame 1, and each
// step arms the next one-shot timer, so the animation goes on.
TEST_F(AnimationTest, TimerStepsFramesThroughTheMessageLoop) {
    ShowFirstFrame(L"anim.gif");
    animLastFrameTick = TickNow() - 1000000;
    SendMessageW(mainWindow, WM_COMMAND, ID_ANIMATION_START, 0);
    ASSERT_NE(animTimer, nullptr);
    EXPECT_TRUE(PumpUntil([] { return animFrameIndex == 1; }, 2000));
    ExpectComposedLike(previewBitmap, FrameFixture(L"anim_gif_1.png"), ThemeBackground());
    EXPECT_NE(animTimer, nullptr);  // the next step's
    EXPECT_TRUE(PumpUntil([] { return animFrameIndex == 2; }, 2000));
}

// A step armed long after the frame began, so long that the tick count's
// 32 bits have wrapped past it: the frame is not due for weeks by the
// arithmetic, so its time starts afresh and it steps after its delay.
TEST_F(AnimationTest, NextStepAfterATickOlderThanTheWrapComesAfterTheDelay) {
    ShowFirstFrame(L"anim.gif");
    animDelayMs = 100;
    animLastFrameTick = TickNow() - 0x80000000u - 1000;
    ArmNextAnimationStep();
    ASSERT_NE(animTimer, nullptr);
    EXPECT_TRUE(PumpUntil([] { return animFrameIndex == 1; }, 5000)) << "stuck at frame " << animFrameIndex;
}

TEST_F(AnimationTest, StepRendersOnlyVisibleRunningDueAnimations) {
    ShowFirstFrame(L"anim.gif");
    std::wstring path = folder / L"anim.gif";
    struct Case { const char* name; std::wstring path; bool visible; int running; int remaining; bool renders; };
    const Case cases[] = {
        {"due", path, true, 1, 0, true},
        {"overdue", path, true, 1, -5000, true},
        {"upper-case extension", folder / L"ANIM.GIF", true, 1, 0, true},
        {"not due", path, true, 1, 500, false},
        {"hidden preview", path, false, 1, 0, false},
        {"not running", path, true, 0, 0, false},
        {"other extension", folder / L"anim.jpg", true, 1, 0, false},
    };
    for (const Case& c : cases) {
        ShowWindow(preview, c.visible ? SW_SHOWNA : SW_HIDE);
        animationRunning = c.running;
        animDelayMs = 100;
        animLastFrameTick = TickNow() + c.remaining - 100;
        int before = animFrameIndex;
        StepAnimation(c.path.c_str(), &animTimer);
        EXPECT_EQ(animFrameIndex != before, c.renders) << c.name;
    }
}

TEST_F(AnimationTest, StepSleepsOffTheLastTenMilliseconds) {
    ShowFirstFrame(L"apng_ops.png");
    std::wstring path = folder / L"apng_ops.png";
    animDelayMs = 0;
    LARGE_INTEGER frequency, before, after;
    QueryPerformanceFrequency(&frequency);
    animLastFrameTick = TickNow() + 9;
    QueryPerformanceCounter(&before);
    StepAnimation(path.c_str(), &animTimer);
    QueryPerformanceCounter(&after);
    EXPECT_EQ(animFrameIndex, 1);
    EXPECT_GE((after.QuadPart - before.QuadPart) * 1000 / frequency.QuadPart, 6);
    // Frame 1 shows for 333 ms; frame 2 has a delay of 0 ms and so the step
    // after it is due at once.
    StepAnimation(path.c_str(), &animTimer);
    EXPECT_EQ(animFrameIndex, 1);
    animLastFrameTick = TickNow() - 1000;
    StepAnimation(path.c_str(), &animTimer);
    ASSERT_EQ(animFrameIndex, 2);
    EXPECT_EQ(animDelayMs, 0);
    StepAnimation(path.c_str(), &animTimer);
    EXPECT_EQ(animFrameIndex, 3);
}

TEST(AnimationTiming, RemainingTimeAcrossTheTickWrap) {
    struct Case { DWORD last; int delay; DWORD now; int remaining; };
    for (Case c : {Case{1000, 100, 1050, 50}, Case{1000, 100, 1089, 11}, Case{1000, 100, 1090, 10},
                   Case{1000, 0, 1000, 0}, Case{0xFFFFFFF0u, 0x20, 5, 11}, Case{0xFFFFFFF0u, 0, 0x10, -32},
                   Case{5, 10, 0xFFFFFFFEu, 17}}) {
        EXPECT_EQ(RemainingFrameMs(c.last, c.delay, c.now), c.remaining) << c.last << " " << c.now;
    }
}

}  // namespace
