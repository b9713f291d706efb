#include "preview/video_playback.h"

#include <mmsystem.h>

#include <algorithm>
#include <cwchar>
#include <vector>

#include "fileops/folder_helpers.h"
#include "preview/preview_painting.h"

namespace {

const int kReplyChars = 256;

std::wstring MciReply(const wchar_t* command) {
    wchar_t reply[kReplyChars] = L"";
    if (mciSendStringW(command, reply, kReplyChars, nullptr) != 0) return L"";
    return reply;
}

}  // namespace

bool ParseSourceSize(const std::wstring& reply, int* width, int* height) {
    std::vector<std::wstring> fields = SplitString(reply, L' ');
    fields.erase(std::remove(fields.begin(), fields.end(), std::wstring()), fields.end());
    if (fields.size() < 4) return false;
    long long values[4];
    for (int i = 0; i < 4; ++i) {
        wchar_t* end = nullptr;
        // Out of range saturates, and is refused below.
        values[i] = wcstoll(fields[i].c_str(), &end, 10);
        if (end == fields[i].c_str() || *end != L'\0') return false;
    }
    if (values[2] <= 0 || values[3] <= 0 || values[2] > 0x7fffffff || values[3] > 0x7fffffff) return false;
    *width = static_cast<int>(values[2]);
    *height = static_cast<int>(values[3]);
    return true;
}

MCIERROR SendPreviewMci(const wchar_t* command, HWND callback) {
    return mciSendStringW(command, nullptr, 0, callback);
}

void ClosePreviewVideo(HWND preview) {
    if (mciGetDeviceIDW(L"Zuv") == 0) return;
    SendPreviewMci(L"stop Zuv");
    // Closing the device first makes its video window a top-level window,
    // and Wine then creates that window's drawing surface inside an X window
    // of another connection that the X server may not have yet: the later
    // destruction is refused (BadWindow) and Xlib ends the process. Handed
    // back to the device's own window, a child of the preview made on this
    // thread, the video window is destroyed with it as a child, and the
    // close finds nothing left to move.
    if (preview && IsWindow(preview)) {
        SendPreviewMci(L"window Zuv handle default");
        std::vector<HWND> own;
        for (HWND child = GetWindow(preview, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
            if (GetWindowThreadProcessId(child, nullptr) == GetCurrentThreadId()) own.push_back(child);
        }
        for (HWND child : own) DestroyWindow(child);
    }
    SendPreviewMci(L"close Zuv");
}

int PlayVideoInPreview(HWND notifyWindow, HWND preview, const wchar_t* path, const RECT& client) {
    // A device that finished playing is still open under the alias, and an
    // open under an alias in use fails: close it whatever its mode.
    ClosePreviewVideo(preview);

    std::wstring open = L"open \"" + std::wstring(path) + L"\" alias Zuv type mpegvideo shareable parent " +
                        std::to_wstring(static_cast<unsigned>(reinterpret_cast<UINT_PTR>(preview))) +
                        L" style child";
    if (SendPreviewMci(open.c_str(), notifyWindow) != 0) return 0;

    std::wstring length = MciReply(L"status Zuv length");
    if (length.empty() || length == L"0") {
        ClosePreviewVideo(preview);
        return 0;
    }
    int w = 0, h = 0;
    TPreviewFit fit;
    // Without a positive source size there is no picture to place.
    if (!ParseSourceSize(MciReply(L"where Zuv source"), &w, &h) ||
        !FitPreviewPicture(w, h, client.right, client.bottom, &fit)) {
        ClosePreviewVideo(preview);
        return 0;
    }
    wchar_t command[128];
    swprintf(command, 128, L"window Zuv handle %u", static_cast<unsigned>(reinterpret_cast<UINT_PTR>(preview)));
    SendPreviewMci(command, preview);
    // Asked again: the size can change once the device has its window.
    if (ParseSourceSize(MciReply(L"where Zuv source"), &w, &h)) FitPreviewPicture(w, h, client.right, client.bottom, &fit);
    swprintf(command, 128, L"put Zuv destination at %d %d %d %d", fit.x, fit.y, fit.width, fit.height);
    SendPreviewMci(command);
    SendPreviewMci(L"setaudio Zuv volume to 0");
    SendPreviewMci(L"play Zuv notify", notifyWindow);
    return 1;
}
