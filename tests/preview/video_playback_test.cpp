// Video played into a test-made preview window through MCI under the alias
// "Zuv": placement, reopening, files MCI cannot play, the source reply.
#include <windows.h>
#include <mmsystem.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "preview/video_playback.h"
#include "shell/main_state.h"
#include "support/preview_window.h"
#include "support/test_files.h"
#include "support/test_pictures.h"
#include "support/window_driver.h"

namespace {

TEST(SourceReply, WidthAndHeightAreTheThirdAndFourthNumbers) {
    struct Case {
        const wchar_t* reply;
        bool ok;
        int w, h;
    } cases[] = {
        {L"0 0 640 360", true, 640, 360},
        {L"0 0 1 1", true, 1, 1},
        {L"0 0 640", false, 0, 0},
        {L"", false, 0, 0},
        {L"0 0 0 360", false, 0, 0},
        {L"0 0 640 -2", false, 0, 0},
        {L"0 0 x 360", false, 0, 0},
        {L"0 0 99999999999 360", false, 0, 0},
        {L"0  0 640 360 ", true, 640, 360},
        {L"0 0 640x 360", false, 0, 0},
    };
    for (const Case& c : cases) {
        int w = -1, h = -1;
        EXPECT_EQ(ParseSourceSize(c.reply, &w, &h), c.ok) << c.reply;
        if (c.ok) {
            EXPECT_EQ(w, c.w) << c.reply;
            EXPECT_EQ(h, c.h) << c.reply;
        }
    }
}

// Where the device's visible video window lies in the preview's client
// area. Wine places it from "put ... destination at a b c d" with c and d
// taken as its right and bottom edges, so the edges show the four numbers
// of the command as they were sent.
RECT VideoWindowRect(HWND preview) {
    struct Search {
        HWND parent;
        RECT rect;
    } search = {preview, {-1, -1, -1, -1}};
    EnumChildWindows(preview, [](HWND child, LPARAM param) -> BOOL {
        Search* s = reinterpret_cast<Search*>(param);
        if (!IsWindowVisible(child)) return TRUE;
        GetWindowRect(child, &s->rect);
        MapWindowPoints(nullptr, s->parent, reinterpret_cast<POINT*>(&s->rect), 2);
        return FALSE;
    }, reinterpret_cast<LPARAM>(&search));
    return search.rect;
}

std::string RectText(const RECT& r) {
    return std::to_string(r.left) + " " + std::to_string(r.top) + " " + std::to_string(r.right) + " " +
           std::to_string(r.bottom);
}

// Records the MCI notices that reach the window it is installed on.
WNDPROC previousProc;
std::vector<WPARAM> notices;
LRESULT CALLBACK RecordNotices(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == MM_MCINOTIFY) notices.push_back(wParam);
    return CallWindowProcW(previousProc, window, message, wParam, lParam);
}

class VideoPlayback : public testing::Test {
protected:
    TestPreviewWindow preview{320, 240, true};
    RECT client = {0, 0, 320, 240};
    HWND notify = preview.window();
};

TEST_F(VideoPlayback, FullHdVideoIsFittedAndPlays) {
    std::wstring video = MediaFixture(L"quarters_1920x1080.mp4");
    ASSERT_EQ(PlayVideoInPreview(notify, preview.window(), video.c_str(), client), 1) << MciReplyText(L"status Zuv mode");
    EXPECT_EQ(RectText(VideoWindowRect(preview.window())), "0 30 320 180");
    EXPECT_EQ(MciReplyText(L"status Zuv mode"), L"playing");
}

TEST_F(VideoPlayback, SmallVideoIsEnlarged) {
    std::wstring video = MediaFixture(L"seconds_10.mp4");  // 64 x 48
    ASSERT_EQ(PlayVideoInPreview(notify, preview.window(), video.c_str(), client), 1);
    EXPECT_EQ(RectText(VideoWindowRect(preview.window())), "0 0 320 240");
}

TEST_F(VideoPlayback, ASecondCallReopensWhetherTheFirstPlaysOrHasStopped) {
    std::wstring first = MediaFixture(L"seconds_10.mp4");
    std::wstring second = MediaFixture(L"quarters_1920x1080.mp4");
    ASSERT_EQ(PlayVideoInPreview(notify, preview.window(), first.c_str(), client), 1);
    ASSERT_EQ(PlayVideoInPreview(notify, preview.window(), second.c_str(), client), 1);
    EXPECT_EQ(RectText(VideoWindowRect(preview.window())), "0 30 320 180");
    // A device that is open but no longer playing is closed as well.
    mciSendStringW(L"stop Zuv", nullptr, 0, nullptr);
    EXPECT_NE(MciReplyText(L"status Zuv mode"), L"playing");
    ASSERT_EQ(PlayVideoInPreview(notify, preview.window(), first.c_str(), client), 1);
    EXPECT_EQ(RectText(VideoWindowRect(preview.window())), "0 0 320 240");
}

TEST_F(VideoPlayback, FilesThatAreNoVideoAreNotPlayedAndLeaveNoDevice) {
    TempFolder folder;
    WriteText(folder / L"a.txt", "not a video");
    std::wstring audio = MediaFixture(L"silence.mp3");
    for (const std::wstring& path : {folder / L"a.txt", folder / L"missing.mp4", audio}) {
        EXPECT_EQ(PlayVideoInPreview(notify, preview.window(), path.c_str(), client), 0) << ToUtf8(path);
        EXPECT_EQ(MciReplyText(L"status Zuv mode"), L"<error>") << ToUtf8(path);
    }
}

TEST_F(VideoPlayback, NoClientAreaPlaysNothing) {
    std::wstring video = MediaFixture(L"seconds_10.mp4");
    EXPECT_EQ(PlayVideoInPreview(notify, preview.window(), video.c_str(), RECT{0, 0, 0, 0}), 0);
    EXPECT_EQ(MciReplyText(L"status Zuv mode"), L"<error>");
}

TEST_F(VideoPlayback, TheEndOfPlaybackIsNotifiedToTheGivenWindow) {
    std::wstring video = MediaFixture(L"quarters_1920x1080.mp4");  // 2 s
    notices.clear();
    previousProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(notify, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(RecordNotices)));
    ASSERT_EQ(PlayVideoInPreview(notify, preview.window(), video.c_str(), client), 1);
    bool notified = PumpUntil([] { return !notices.empty(); }, 15000);
    SetWindowLongPtrW(notify, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previousProc));
    ASSERT_TRUE(notified);
    EXPECT_EQ(notices[0], static_cast<WPARAM>(MCI_NOTIFY_SUCCESSFUL));
    EXPECT_NE(MciReplyText(L"status Zuv mode"), L"playing");
}

}  // namespace
