// The preview driven through the real main window's messages with a
// test-made preview window in previewWindow: Enter and Escape, item
// changes, the renderer chain by extension, titles, the fitted paint,
// animation, archive pages and video with timer 1.
#include <windows.h>
#include <commctrl.h>
#include <mfapi.h>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "preview/preview_pipeline.h"
#include "preview/preview_state.h"
#include "resources/resource.h"
#include "shell/main_state.h"
#include "support/archive_files.h"
#include "support/docx_files.h"
#include "support/font_files.h"
#include "support/list_view_items.h"
#include "support/main_window_harness.h"
#include "support/preview_window.h"
#include "support/test_files.h"
#include "support/test_pictures.h"
#include "support/window_driver.h"
#include "thumbnails/renderers/video_frame.h"
#include "thumbnails/tiles.h"

namespace {

std::wstring MainTitle() { return WindowText(mainWindow); }

bool Looks(unsigned actual, Pixel expected, int tolerance) {
    return NearColour(actual | 0xff000000u, expected | 0xff000000u, tolerance);
}

Pixel Theme() {
    COLORREF c = ThemeBackground();
    return MakePixel(GetRValue(c), GetGValue(c), GetBValue(c));
}

// Ticks of the video timer and the frames of animation steps, as the main
// window's procedure handled them: looked for afterwards, a tick is most
// often taken by the pump first, and a short frame can be stepped past
// before the pump's caller looks.
WNDPROC mainProcedure;
int videoTicks;
std::vector<int> steppedFrames;
LRESULT CALLBACK WatchMainWindow(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_TIMER && wParam == kPreviewVideoTimer) ++videoTicks;
    LRESULT result = CallWindowProcW(mainProcedure, window, message, wParam, lParam);
    if (message == WM_COMMAND && LOWORD(wParam) == ID_ANIMATION_STEP) steppedFrames.push_back(animFrameIndex);
    return result;
}

void WatchMainWindowWhile(const std::function<void()>& pump) {
    mainProcedure = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(mainWindow, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(WatchMainWindow)));
    pump();
    SetWindowLongPtrW(mainWindow, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(mainProcedure));
}

// Whether a tick of the video timer reaches the main window within 2 s.
bool VideoTimerTicks() {
    videoTicks = 0;
    bool ticked = false;
    WatchMainWindowWhile([&] { ticked = PumpUntil([] { return videoTicks > 0; }, 2000); });
    return ticked;
}

// The frames that the next `count` animation steps showed, in their order.
std::vector<int> NextSteppedFrames(size_t count) {
    steppedFrames.clear();
    WatchMainWindowWhile([&] { PumpUntil([&] { return steppedFrames.size() >= count; }, 5000); });
    return steppedFrames;
}

const SYSTEMTIME kWritten = {2024, 3, 2, 5, 7, 8, 30, 0};

class PreviewPipeline : public testing::Test {
protected:
    TempFolder folder;
    MainWindowHarness harness;
    std::unique_ptr<TestPreviewWindow> preview;

    void SetUp() override { MFStartup(MF_VERSION, MFSTARTUP_FULL); }
    void TearDown() override {
        // The main window closes first, as it does with the program's own preview.
        harness.Close();
        preview.reset();
    }

    // Items dated 2024/03/05 07:08 local time.
    void Copy(const std::wstring& fixture, const std::wstring& name) {
        ASSERT_TRUE(CopyFileW(fixture.c_str(), (folder / name).c_str(), FALSE)) << ToUtf8(name);
        ASSERT_TRUE(SetLocalWriteTime(folder / name, kWritten));
    }
    void Write(const std::wstring& name, const std::vector<unsigned char>& bytes) {
        ASSERT_TRUE(WriteBytes(folder / name, bytes));
        ASSERT_TRUE(SetLocalWriteTime(folder / name, kWritten));
    }
    // Lists the folder, with a hidden preview window of this client size.
    void Open(int width, int height, const std::vector<TestSetting>& settings = {}) {
        ASSERT_TRUE(harness.OpenListed(folder.path(), settings));
        preview.reset(new TestPreviewWindow(width, height));
    }
    // Opens, and shows `name` with Enter.
    void OpenShowing(const std::wstring& name, int width, int height, const std::vector<TestSetting>& settings = {}) {
        Open(width, height, settings);
        if (HasFatalFailure()) return;
        Focus(name);
        Enter();
    }
    // Moves the focus and selection, as the arrow keys do.
    static void Focus(const std::wstring& name) {
        int index = ListViewIndexOf(listView, name);
        ASSERT_GE(index, 0) << ToUtf8(name);
        ListViewFocusOnly(listView, index);
    }
    static void Enter() { SendKeyPress(listView, VK_RETURN); }
    // Enter as the keyboard gives it, through the main loop's accelerators.
    static void PressEnter() { PressKeyThroughMessageLoop(listView, VK_RETURN); }
    static void Escape() { SendKeyPress(listView, VK_ESCAPE); }
    // The focused item reported changed once more, as Enter does.
    static void AnnounceAgain() {
        int index = ListViewFocusedItem(listView);
        LVITEMW state = {};
        state.stateMask = LVIS_FOCUSED;
        SendMessageW(listView, LVM_SETITEMSTATE, index, reinterpret_cast<LPARAM>(&state));
        state.state = LVIS_FOCUSED;
        SendMessageW(listView, LVM_SETITEMSTATE, index, reinterpret_cast<LPARAM>(&state));
    }
};

TEST_F(PreviewPipeline, EnterShowsThePngFittedWithItsSizeAndTimeInTheTitle) {
    Copy(MediaFixture(L"size_300x200.png"), L"a.png");
    Copy(MediaFixture(L"halves.jpg"), L"b.jpg");
    Open(320, 240);
    Focus(L"a.png");
    EXPECT_FALSE(IsWindowVisible(preview->window()));
    EXPECT_EQ(previewBitmap, nullptr);  // nothing is rendered while hidden
    EXPECT_EQ(MainTitle(), L"a.png 2024/03/05 07:08");

    Enter();
    EXPECT_TRUE(IsWindowVisible(preview->window()));
    EXPECT_EQ(preview->Title(), L"a.png (300\u00d7200) 2024/03/05 07:08");
    ASSERT_NE(previewBitmap, nullptr);
    EXPECT_EQ(previewAlpha, 1);
    EXPECT_EQ(GetFocus(), listView);
    // 300 x 200 in 320 x 240: 320 x 213 at (0, 13).
    EXPECT_TRUE(Looks(preview->Pixel(160, 120), MakePixel(0x33, 0x66, 0x99), 3)) << ColourText(preview->Pixel(160, 120));
    EXPECT_TRUE(Looks(preview->Pixel(160, 5), Theme(), 0)) << ColourText(preview->Pixel(160, 5));
    EXPECT_TRUE(Looks(preview->Pixel(160, 235), Theme(), 0));
    // The volume is set whether or not a video was opened; no device is left.
    EXPECT_EQ(MciReplyText(L"status Zuv mode"), L"<error>");

    // Another item while visible is rendered at once.
    Focus(L"b.jpg");
    EXPECT_EQ(preview->Title(), L"b.jpg (12\u00d78) 2024/03/05 07:08");
    EXPECT_EQ(previewAlpha, 0);
    EXPECT_TRUE(Looks(preview->Pixel(20, 120), MakePixel(255, 0, 0), 40)) << ColourText(preview->Pixel(20, 120));
    EXPECT_TRUE(Looks(preview->Pixel(300, 120), MakePixel(0, 0, 255), 40)) << ColourText(preview->Pixel(300, 120));
}

TEST_F(PreviewPipeline, TheSameJpegAgainKeepsItsPictureUnderTheBareName) {
    Copy(MediaFixture(L"photo_300x200.jpg"), L"p.jpg");
    OpenShowing(L"p.jpg", 320, 240);
    HBITMAP shown = previewBitmap;
    ASSERT_NE(shown, nullptr);
    AnnounceAgain();
    EXPECT_EQ(previewBitmap, shown);
    EXPECT_EQ(preview->Title(), L"p.jpg");
    EXPECT_EQ(previewAlpha, 0);
}

TEST_F(PreviewPipeline, EnterAndEscapeHideAVisiblePreviewAndEscapeThenCloses) {
    Copy(MediaFixture(L"halves.png"), L"a.png");
    MakeFolder(folder / L"sub");
    OpenShowing(L"a.png", 320, 240);
    ASSERT_TRUE(IsWindowVisible(preview->window()));
    Enter();
    EXPECT_FALSE(IsWindowVisible(preview->window()));
    Enter();
    ASSERT_TRUE(IsWindowVisible(preview->window()));
    Escape();
    EXPECT_FALSE(IsWindowVisible(preview->window()));
    EXPECT_TRUE(IsWindow(mainWindow));

    // A move while hidden drops the picture; Enter renders afresh.
    Focus(L"sub");
    Focus(L"a.png");
    EXPECT_EQ(previewBitmap, nullptr);

    // Enter on a folder still enters it.
    Focus(L"sub");
    Enter();
    harness.WaitForWorker();
    EXPECT_EQ(std::wstring(currentDir), folder / L"sub");
    EXPECT_FALSE(IsWindowVisible(preview->window()));

    Escape();
    EXPECT_FALSE(IsWindow(harness.window()));
}

TEST_F(PreviewPipeline, AnAnimatedGifIsPaddedToItsCanvasAndKeepsStepping) {
    Copy(FrameFixture(L"anim.gif"), L"anim.gif");
    Copy(FrameFixture(L"still.gif"), L"still.gif");
    OpenShowing(L"anim.gif", 200, 200);
    EXPECT_EQ(preview->Title(), L"anim.gif (20\u00d720) 2024/03/05 07:08");
    EXPECT_NE(animTimer, nullptr);
    // Frame 0 is red over the whole canvas.
    EXPECT_TRUE(Looks(preview->Pixel(100, 100), MakePixel(255, 0, 0), 0)) << ColourText(preview->Pixel(100, 100));
    // Frames of 100, 30, 100 and 500 ms: within 400 ms the animation is past
    // its second frame, and it loops on.
    ASSERT_EQ(animFrameIndex, 0);
    EXPECT_EQ(NextSteppedFrames(4), std::vector<int>({1, 2, 3, 0}));

    // Another item stops it: no timer is left to step the new one.
    Focus(L"still.gif");
    EXPECT_EQ(animTimer, nullptr);
    EXPECT_EQ(preview->Title(), L"still.gif (6\u00d74) 2024/03/05 07:08");
    EXPECT_EQ(previewAlpha, 1);
    HBITMAP still = previewBitmap;
    PumpMessagesFor(300);
    EXPECT_EQ(previewBitmap, still);
    EXPECT_EQ(animFrameIndex, 0);
}

TEST_F(PreviewPipeline, AnimatedWebpAndApngStepToo) {
    Copy(FrameFixture(L"anim.webp"), L"anim.webp");
    Copy(FrameFixture(L"apng_ops.png"), L"ops.png");
    Open(200, 200);
    for (const wchar_t* name : {L"anim.webp", L"ops.png"}) {
        Focus(name);
        if (!IsWindowVisible(preview->window())) Enter();
        EXPECT_NE(animTimer, nullptr) << ToUtf8(name);
        EXPECT_EQ(preview->Title().rfind(std::wstring(name) + L" (", 0), 0u) << ToUtf8(preview->Title());
        EXPECT_TRUE(PumpUntil([] { return animFrameIndex >= 2; }, 5000)) << ToUtf8(name);
        ASSERT_NE(previewBitmap, nullptr) << ToUtf8(name);
    }
}

TEST_F(PreviewPipeline, ChainPicksTheRendererByExtension) {
    Write(L"doc.docx", DocxBytes(DocxParagraph({"Preview text"})));
    Copy(FontFixture(L"sans.ttf"), L"font.ttf");
    Copy(MediaFixture(L"halves.webp"), L"w.webp");
    OpenShowing(L"doc.docx", 300, 200);
    // The document page is drawn at the client size on white.
    ASSERT_NE(previewBitmap, nullptr);
    EXPECT_EQ(BitmapSize(previewBitmap).cx, 300);
    EXPECT_EQ(BitmapSize(previewBitmap).cy, 200);
    EXPECT_EQ(preview->Title(), L"doc.docx");
    EXPECT_TRUE(Looks(preview->Pixel(290, 190), MakePixel(255, 255, 255), 0));

    Focus(L"font.ttf");
    ASSERT_NE(previewBitmap, nullptr);
    EXPECT_EQ(BitmapSize(previewBitmap).cx, 300);
    EXPECT_NE(preview->Title(), L"font.ttf");  // the face name
    EXPECT_FALSE(preview->Title().empty());

    // A still WebP comes from the frame step, not animated.
    Focus(L"w.webp");
    EXPECT_EQ(preview->Title(), L"w.webp (12\u00d78) 2024/03/05 07:08");
    EXPECT_EQ(animTimer, nullptr);
    EXPECT_TRUE(Looks(preview->Pixel(40, 100), MakePixel(255, 0, 0), 8)) << ColourText(preview->Pixel(40, 100));
}

TEST_F(PreviewPipeline, ZipPagesFollowThePageIndex) {
    std::string red = ReadByteString(MediaFixture(L"cover_red.png"));
    std::string blue = ReadByteString(MediaFixture(L"cover_blue.png"));
    Write(L"pages.zip", ZipBytes({{"pics/", ""}, {"pics/big.txt", std::string(2 << 20, 'x')}, {"b.zip", "PK"},
                                  {"pics/c.png", red}, {"d.png", blue}}));
    Copy(MediaFixture(L"halves.png"), L"x.png");
    OpenShowing(L"pages.zip", 100, 100, {{L"UserSetting", L"maxMB", L"1"}});
    ASSERT_NE(previewBitmap, nullptr);
    EXPECT_TRUE(Looks(preview->Pixel(50, 50), MakePixel(255, 0, 0), 3)) << ColourText(preview->Pixel(50, 50));
    EXPECT_EQ(previewPage, 0);

    // Announced again, the same archive keeps its page.
    previewPage = 1;
    AnnounceAgain();
    EXPECT_TRUE(Looks(preview->Pixel(50, 50), MakePixel(255, 0, 0), 3));
    // Handled afresh, it shows the next page.
    Focus(L"x.png");
    Focus(L"pages.zip");
    EXPECT_TRUE(Looks(preview->Pixel(50, 50), MakePixel(0, 0, 255), 3)) << ColourText(preview->Pixel(50, 50));
    previewPage = 7;
    Focus(L"x.png");
    Focus(L"pages.zip");
    EXPECT_EQ(previewPage, 1);  // clamped to the last displayable entry
    EXPECT_TRUE(Looks(preview->Pixel(50, 50), MakePixel(0, 0, 255), 3));
    // The extracted entries are gone from the temporary folder.
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    EXPECT_FALSE(FileExists(JoinPath(JoinPath(temp, L"Zuv"), L"c.png")));
    EXPECT_FALSE(FileExists(JoinPath(JoinPath(temp, L"Zuv"), L"d.png")));
}

TEST_F(PreviewPipeline, AVideoShowsItsFrameAndPlaysWithTimer1) {
    Copy(MediaFixture(L"seconds_10.mp4"), L"v.mp4");
    Copy(MediaFixture(L"halves.png"), L"x.png");
    OpenShowing(L"v.mp4", 320, 240);
    // The frame the worker takes: at half the running time, since the
    // setting's 64 s is longer.
    ASSERT_NE(previewBitmap, nullptr);
    HBITMAP frame = GrabVideoFrame((folder / L"v.mp4").c_str(), 64);
    HBITMAP early = GrabVideoFrame((folder / L"v.mp4").c_str(), 1);
    EXPECT_EQ(PixelAt(previewBitmap, 32, 24), PixelAt(frame, 32, 24));
    EXPECT_NE(PixelAt(previewBitmap, 32, 24), PixelAt(early, 32, 24));
    DeleteObject(frame);
    DeleteObject(early);
    EXPECT_EQ(MciReplyText(L"status Zuv mode"), L"playing");
    EXPECT_TRUE(VideoTimerTicks());
    // Still playing after ticks have been handled: the timer runs on.
    PumpMessagesFor(300);
    EXPECT_EQ(MciReplyText(L"status Zuv mode"), L"playing");
    EXPECT_TRUE(VideoTimerTicks());

    // Another item closes the device before trying its own file.
    Focus(L"x.png");
    EXPECT_EQ(MciReplyText(L"status Zuv mode"), L"<error>");
    EXPECT_FALSE(KillTimer(mainWindow, kPreviewVideoTimer));

    Focus(L"v.mp4");
    EXPECT_EQ(MciReplyText(L"status Zuv mode"), L"playing");
    Escape();
    EXPECT_EQ(MciReplyText(L"status Zuv mode"), L"<error>");
    EXPECT_FALSE(KillTimer(mainWindow, kPreviewVideoTimer));
}

TEST_F(PreviewPipeline, TimerOneStopsWhenTheVideoEnds) {
    Copy(MediaFixture(L"quarters_50x40.mp4"), L"v.mp4");  // 2 s
    OpenShowing(L"v.mp4", 100, 80);
    ASSERT_EQ(MciReplyText(L"status Zuv mode"), L"playing");
    EXPECT_TRUE(PumpUntil([] { return MciReplyText(L"status Zuv mode") != L"playing"; }, 10000));
    PumpMessagesFor(300);
    EXPECT_FALSE(KillTimer(mainWindow, kPreviewVideoTimer));
}

TEST_F(PreviewPipeline, NoClientAreaGivesNoPicture) {
    Copy(MediaFixture(L"seconds_10.mp4"), L"v.mp4");
    Write(L"doc.docx", DocxBytes(DocxParagraph({"text"})));
    OpenShowing(L"doc.docx", 0, 0);
    EXPECT_TRUE(IsWindowVisible(preview->window()));
    EXPECT_EQ(previewBitmap, nullptr);
    Focus(L"v.mp4");
    EXPECT_EQ(previewBitmap, nullptr);
    EXPECT_EQ(MciReplyText(L"status Zuv mode"), L"<error>");
}

// half_alpha.png, 64 x 32 in columns of 16: clear, red at half, red, red at
// half; shown in a 128 x 64 preview at twice its size. Each column's middle
// must show the theme background through the picture's alpha.
void ExpectHalfAlphaOnTheme(const TestPreviewWindow& preview, const char* when) {
    Pixel theme = Theme();
    // Red at half over the background: 128 + c * 127 / 255 for red.
    auto over = [&](int c) { return c * 127 / 255; };
    Pixel half = MakePixel(static_cast<BYTE>(128 + over((theme >> 16) & 0xFF)), static_cast<BYTE>(over((theme >> 8) & 0xFF)),
                           static_cast<BYTE>(over(theme & 0xFF)));
    const Pixel columns[] = {theme, half, MakePixel(255, 0, 0), half};
    for (int x : {0, 16, 48, 80, 112, 127}) {
        for (int y : {0, 32, 63}) {
            unsigned got = preview.Pixel(x, y);
            EXPECT_TRUE(Looks(got, columns[x / 32], 3)) << when << " at " << x << "," << y << ": " << ColourText(got);
        }
    }
}

const std::vector<TestSetting> kDark = {{L"SystemSetting", L"darkMode", L"ON"}};

TEST_F(PreviewPipeline, KeptPicturesKeepTheirAlphaAndAnimationsGoOn) {
    Copy(MediaFixture(L"half_alpha.png"), L"a.png");
    Copy(FrameFixture(L"anim.gif"), L"anim.gif");
    Open(128, 64, kDark);
    Focus(L"a.png");
    PressEnter();
    ASSERT_TRUE(IsWindowVisible(preview->window()));
    ExpectHalfAlphaOnTheme(*preview, "shown");
    // Hidden and shown again, and announced again as Home or Ctrl+A over
    // the focused item do: the same picture, painted the same.
    PressEnter();
    PressEnter();
    ASSERT_TRUE(IsWindowVisible(preview->window()));
    HBITMAP kept = previewBitmap;
    ExpectHalfAlphaOnTheme(*preview, "shown again");
    AnnounceAgain();
    EXPECT_EQ(previewBitmap, kept);
    ExpectHalfAlphaOnTheme(*preview, "announced again");

    // A kept animation goes on from the frame it shows.
    Focus(L"anim.gif");
    ASSERT_TRUE(PumpUntil([] { return animFrameIndex == 1; }, 5000));
    PressEnter();
    ASSERT_FALSE(IsWindowVisible(preview->window()));
    int shown = animFrameIndex;
    HBITMAP frame = previewBitmap;
    ASSERT_GT(shown, 0);
    PumpMessagesFor(300);
    EXPECT_EQ(animFrameIndex, shown);  // hidden, it does not step
    PressEnter();
    ASSERT_TRUE(IsWindowVisible(preview->window()));
    EXPECT_EQ(previewBitmap, frame);
    EXPECT_EQ(animFrameIndex, shown);
    EXPECT_NE(animTimer, nullptr);
    // On through the last frame and round to the first again.
    EXPECT_TRUE(PumpUntil([] { return animFrameIndex == 0; }, 5000));
    EXPECT_TRUE(PumpUntil([] { return animFrameIndex == 1; }, 5000));
}

// Margins padded around a first frame and areas a disposal clears show the
// theme background, not the background blended over itself.
TEST_F(PreviewPipeline, PaddedMarginsAndClearedAreasAreTheThemeBackground) {
    Copy(FrameFixture(L"padded.gif"), L"padded.gif");
    Copy(FrameFixture(L"anim.gif"), L"anim.gif");
    Copy(FrameFixture(L"anim.webp"), L"anim.webp");
    Open(180, 180, kDark);
    // The 8 x 8 first frame on its 18 x 18 canvas, ten times as large.
    Focus(L"padded.gif");
    PressEnter();
    ASSERT_TRUE(IsWindowVisible(preview->window()));
    EXPECT_EQ(preview->Title(), L"padded.gif (18\u00d718) 2024/03/05 07:08");
    EXPECT_TRUE(Looks(preview->Pixel(40, 40), MakePixel(0, 0, 255), 3)) << ColourText(preview->Pixel(40, 40));
    for (POINT p : {POINT{130, 40}, POINT{40, 130}, POINT{170, 170}}) {
        EXPECT_TRUE(Looks(preview->Pixel(p.x, p.y), Theme(), 0))
            << "margin at " << p.x << "," << p.y << ": " << ColourText(preview->Pixel(p.x, p.y));
    }

    // Frame 1 of both is disposed to the background, and frames 2 and 3 do
    // not cover its corner at (2, 4) of the 20 x 20 canvas (nine times).
    for (const wchar_t* name : {L"anim.gif", L"anim.webp"}) {
        Focus(name);
        ASSERT_TRUE(PumpUntil([] { return animFrameIndex == 2; }, 5000)) << ToUtf8(name);
        unsigned got = preview->Pixel(2 * 9 + 4, 4 * 9 + 4);
        EXPECT_TRUE(Looks(got, Theme(), 0)) << ToUtf8(name) << ": " << ColourText(got);
    }
}

// Archive pages of transparent pictures are drawn blended, for the ZIP and
// for the archiver's formats.
TEST_F(PreviewPipeline, TransparentArchiveMembersShowTheThemeBackground) {
    std::wstring exe = SevenZipExe();
    if (exe.empty()) GTEST_SKIP() << "no Windows 7-Zip built (scripts/build_deps.sh makes bin/7z.exe)";
    Write(L"a.zip", ZipBytes({{"img/half_alpha.png", ReadByteString(MediaFixture(L"half_alpha.png"))}}));
    Copy(ArchiveFixture(L"half_alpha.7z"), L"b.7z");
    std::vector<TestSetting> settings = kDark;
    settings.push_back({L"UserSetting", L"7z.exe", exe});
    Open(128, 64, settings);
    Focus(L"a.zip");
    PressEnter();
    ASSERT_NE(previewBitmap, nullptr);
    EXPECT_EQ(previewAlpha, 1);
    ExpectHalfAlphaOnTheme(*preview, "zip");
    Focus(L"b.7z");
    ASSERT_NE(previewBitmap, nullptr);
    EXPECT_EQ(previewAlpha, 1);
    ExpectHalfAlphaOnTheme(*preview, "7z");
}

// An animation takes nothing of the file before: not its last frame code
// (a GIF87a has none of its own) and not the time its last frame began.
TEST_F(PreviewPipeline, AnimationsStartAfreshForEachFile) {
    Copy(FrameFixture(L"anim.webp"), L"anim.webp");
    Copy(FrameFixture(L"gif87a.gif"), L"gif87a.gif");
    Copy(FrameFixture(L"anim.gif"), L"anim.gif");
    Open(200, 200, kDark);
    Focus(L"anim.webp");
    PressEnter();
    // Frame 1 of the WebP is disposed to the background without blending.
    ASSERT_TRUE(PumpUntil([] { return animFrameIndex == 1; }, 5000));
    ASSERT_EQ(animDisposal % 8, 3);
    // Red, then blue over the left half, then lime over the right half, all
    // left in place: frame 2 shows blue and lime.
    Focus(L"gif87a.gif");
    EXPECT_EQ(preview->Title(), L"gif87a.gif (20\u00d720) 2024/03/05 07:08");
    ASSERT_TRUE(PumpUntil([] { return animFrameIndex == 2; }, 5000));
    EXPECT_TRUE(Looks(preview->Pixel(50, 100), MakePixel(0, 0, 255), 3)) << ColourText(preview->Pixel(50, 100));
    EXPECT_TRUE(Looks(preview->Pixel(150, 100), MakePixel(0, 255, 0), 3)) << ColourText(preview->Pixel(150, 100));

    // The last frame of the animation before began 2^31 ms ago (as the
    // tick count's low 32 bits give after 24.9 days of uptime with no
    // animation before): the new one steps all the same.
    Focus(L"anim.webp");
    animLastFrameTick = static_cast<DWORD>(GetTickCount64()) - 0x80000000u - 1000;
    Focus(L"anim.gif");
    ASSERT_NE(animTimer, nullptr);
    EXPECT_TRUE(PumpUntil([] { return animFrameIndex == 2; }, 5000)) << "stuck at frame " << animFrameIndex;
}

}  // namespace
