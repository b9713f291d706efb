#include "preview/preview_pipeline.h"

#include <windows.h>
#include <commctrl.h>
#include <mmsystem.h>
#include <shlwapi.h>

#include <string>

#include "preview/animation_timing.h"
#include "preview/archive_pages.h"
#include "preview/frame_composition.h"
#include "preview/frame_loading.h"
#include "preview/gif_frames.h"
#include "preview/apng_frames.h"
#include "preview/preview_painting.h"
#include "preview/preview_state.h"
#include "preview/video_playback.h"
#include "resources/resource.h"
#include "shell/external_viewer.h"
#include "shell/main_handlers.h"
#include "shell/main_state.h"
#include "shell/restart_protocol.h"
#include "thumbnails/pdf_step.h"
#include "thumbnails/renderers/docx_page.h"
#include "thumbnails/renderers/exif_orientation.h"
#include "thumbnails/renderers/font_sample.h"
#include "thumbnails/renderers/image_decoding.h"
#include "thumbnails/renderers/mp3_info.h"
#include "thumbnails/renderers/video_frame.h"
#include "thumbnails/tiles.h"
#include "thumbnails/worker_params.h"
#include "thumbnails/worker_renderers.h"

wchar_t lastPreviewPath[260];
int lastPreviewIndex = -1;
HBITMAP previewPrevCanvas;

namespace {

bool ExtensionIn(const wchar_t* extension, std::initializer_list<const wchar_t*> list) {
    for (const wchar_t* e : list) {
        if (lstrcmpiW(extension, e) == 0) return true;
    }
    return false;
}

void DeletePreviewBitmap() {
    if (previewBitmap) DeleteObject(previewBitmap);
    previewBitmap = nullptr;
    previewBitmapFrame = -1;
}

void TakeBitmapInfo() {
    previewBitmapInfo = BITMAP();
    if (previewBitmap) GetObjectW(previewBitmap, sizeof(previewBitmapInfo), &previewBitmapInfo);
}

// The file's bytes in animFileData, read through its short ANSI path like
// every frame reader; false when it cannot be read whole.
bool LoadAnimationFileOf(const wchar_t* path) {
    if (animFileData) return true;
    char ansi[kPathChars];
    return ShortAnsiPath(path, ansi) && EnsureAnimationFile(ansi);
}

void HidePreview() {
    ClosePreviewVideo(previewWindow);
    KillTimer(mainWindow, kPreviewVideoTimer);
    CancelAnimationTimer();
    ShowWindow(previewWindow, SW_HIDE);
}

// The local last-write time of the item; false when it cannot be read.
bool ItemLocalTime(const wchar_t* path, SYSTEMTIME* local) {
    return ReadItemLocalTime(path, PathIsDirectoryW(path) != FALSE, local);
}

// Chain steps a to f: the renderers chosen by extension.
HBITMAP RenderByExtension(const wchar_t* path, const wchar_t* extension, int cw, int ch) {
    HBITMAP picture = nullptr;
    if (ExtensionIn(extension, {L".7z", L".rar", L".cab", L".lzh"})) {
        LoadArchivePreviewPage(path, &workerParams, &picture, previewWindow, &previewPage);
    } else if (ExtensionIn(extension, {L".zip"})) {
        LoadZipPreviewPage(path, &workerParams, &picture, &previewPage);
    } else if (ExtensionIn(extension, {L".mp3"})) {
        wchar_t writable[MAX_PATH];
        lstrcpynW(writable, path, MAX_PATH);
        wchar_t caption[kMp3TitleChars] = L"";
        picture = ReadMp3Info(writable, caption);
        if (picture && caption[0]) SetWindowTextW(previewWindow, caption);
    } else if (ExtensionIn(extension, {L".ttf", L".ttc", L".otf", L".woff", L".woff2"})) {
        wchar_t writable[MAX_PATH];
        lstrcpynW(writable, path, MAX_PATH);
        wchar_t face[kFaceNameChars] = L"";
        picture = RenderFontSample(writable, cw, ch, fontSize, fontTextJp, fontTextEn, 0, face, &previewPage);
        if (picture && face[0]) SetWindowTextW(previewWindow, face);
    } else if (ExtensionIn(extension, {L".pdf"})) {
        if (WorkerHasPdfStep()) picture = RunWorkerPdfStep(path, &previewPage);
    } else if (ExtensionIn(extension, {L".htm", L".html"})) {
        if (PathFileExistsW(browserPath)) picture = WorkerHtmlScreenshot(browserPath, path);
    }
    return picture;
}

// Chain step h: the still image, turned upright or premultiplied.
HBITMAP RenderStillImage(const wchar_t* name, const wchar_t* path, const wchar_t* extension) {
    HBITMAP picture = LoadImageFile(path);
    if (!picture) return nullptr;
    if (ExtensionIn(extension, {L".jpg", L".jpeg"})) picture = ApplyExifOrientation(mainWindow, path, picture);
    if (ExtensionIn(extension, {L".png", L".gif", L".webp"})) {
        PremultiplyAlpha(picture);
        previewAlpha = 1;
    }
    SetPreviewPictureTitle(name, path, picture);
    return picture;
}

// The chain of renderers; the first picture ends it.
HBITMAP RunPreviewChain(const wchar_t* name, const wchar_t* path, int cw, int ch) {
    const wchar_t* extension = PathFindExtensionW(path);
    HBITMAP picture = RenderByExtension(path, extension, cw, ch);
    if (!picture) {
        TFrameRect placement = {0, 0, 0, 0};
        picture = LoadAnimationFrame(path, &placement);
        if (picture) {
            previewBitmap = picture;
            SetUpAnimation(name, path, placement);
            return previewBitmap;
        }
    }
    if (!picture) picture = RenderStillImage(name, path, extension);
    // The frame at the video thumbnail second, as the worker takes it, and
    // after the image steps as there: the media stack also opens GIF and
    // WebP pictures as videos of one frame.
    if (!picture) picture = GrabVideoFrame(path, thumbnailWait);
    if (!picture) picture = RenderDocx(mainWindow, path, cw, ch, fontName);
    if (!picture) picture = WorkerTextFile(path, cw, ch, fontName);
    if (!picture) {
        picture = GetShellItemIcon(path, cw < ch ? cw : ch);
        if (picture) {
            PremultiplyAlpha(picture);
            previewAlpha = 1;
        }
    }
    return picture;
}

}  // namespace

void CancelAnimationTimer() {
    DeleteAnimationTimer(&animTimer);
    // A timer that could not be deleted is not tried again: its handle may
    // be freed already.
    animTimer = nullptr;
}

void SetPreviewPictureTitle(const wchar_t* name, const wchar_t* path, HBITMAP picture) {
    BITMAP info = {};
    if (picture) GetObjectW(picture, sizeof(info), &info);
    int height = info.bmHeight < 0 ? -info.bmHeight : info.bmHeight;
    wchar_t title[MAX_PATH + 64];
    SYSTEMTIME local;
    if (ItemLocalTime(path, &local)) {
        wsprintfW(title, L"%s (%d\u00d7%d) %d/%02d/%02d %02d:%02d", name, info.bmWidth, height, local.wYear,
                  local.wMonth, local.wDay, local.wHour, local.wMinute);
    } else {
        wsprintfW(title, L"%s (%d\u00d7%d)", name, info.bmWidth, height);
    }
    SetWindowTextW(previewWindow, title);
}

void SetUpAnimation(const wchar_t* name, const wchar_t* path, TFrameRect placement) {
    const wchar_t* extension = PathFindExtensionW(path);
    TakeBitmapInfo();
    bool placed = placement.x || placement.y || placement.width || placement.height;
    if (placed && (placement.x + placement.width != previewBitmapInfo.bmWidth ||
                   placement.y + placement.height != previewBitmapInfo.bmHeight)) {
        previewBitmap = PadBitmapOnBackground(mainWindow, previewBitmap, placement);
        TakeBitmapInfo();
    }
    bool isGif = lstrcmpiW(extension, L".gif") == 0;
    if (isGif) {
        TFrameRect canvas = {0, 0, 0, 0};
        if (LoadAnimationFileOf(path)) {
            GetGifCanvasSize(animFileData, static_cast<size_t>(animFileSize), &canvas);
        }
        previewBitmap = PadBitmapOnBackground(mainWindow, previewBitmap, canvas);
        TakeBitmapInfo();
    }
    SetPreviewPictureTitle(name, path, previewBitmap);
    if (previewCanvas) DeleteObject(previewCanvas);
    previewCanvas = nullptr;
    animationRunning = 0;
    previewBitmapFrame = -1;

    if (isGif) {
        if (!LoadAnimationFileOf(path)) return;
        if (CountGifFrames(animFileData, static_cast<size_t>(animFileSize)) >= 2) {
            previewCanvas = DisposeGifFrame(previewBitmap, previewBitmap, animDisposal, placement);
            animationRunning = 1;
        }
    } else if (lstrcmpiW(extension, L".png") == 0) {
        if (!LoadAnimationFileOf(path)) return;
        ReadApngFrameInfo(&animFrameIndex, animFileData, static_cast<size_t>(animFileSize), &animDelayMs,
                          &placement, &animDisposal, &animationRunning);
        if (animationRunning == 1) {
            if (previewPrevCanvas) DeleteObject(previewPrevCanvas);
            previewPrevCanvas = CopyBitmap(previewBitmap);
            previewCanvas = CopyBitmap(previewBitmap);
            previewCanvas = DisposeApngFrame(previewCanvas, previewPrevCanvas, animDisposal, placement);
        }
    } else if (lstrcmpiW(extension, L".webp") == 0) {
        if (animDisposal >= 8) {
            previewCanvas = CopyBitmap(previewBitmap);
            animDisposal -= 8;
            animationRunning = 1;
        }
    }
    if (animationRunning == 1) previewBitmapFrame = animFrameIndex;
}

void UpdatePreview() {
    animFrameIndex = 0;
    animationRunning = 0;
    // A timer armed for the item before would step this one.
    CancelAnimationTimer();

    std::wstring name;
    if (FocusedListItem(&name) < 0) return;
    wchar_t path[MAX_PATH];
    if (!PathCombineW(path, currentDir, name.c_str())) return;
    const wchar_t* extension = PathFindExtensionW(path);

    bool kept = false;
    if (lstrcmpiW(path, lastPreviewPath) != 0) {
        DeletePreviewBitmap();
    } else if (ExtensionIn(extension, {L".7z", L".rar", L".cab", L".lzh", L".zip", L".gif", L".png", L".apng",
                                       L".webp"})) {
        if (lastPreviewIndex != animFrameIndex) DeletePreviewBitmap();
        lastPreviewIndex = animFrameIndex;
        kept = previewBitmap != nullptr;
    } else {
        kept = previewBitmap != nullptr;
    }
    lstrcpynW(lastPreviewPath, path, MAX_PATH);

    ShowItemInTitle(name, path, PathIsDirectoryW(path) != FALSE);
    if (!IsWindowVisible(previewWindow)) return;

    SetWindowTextW(previewWindow, name.c_str());
    RECT client = {};
    GetClientRect(previewWindow, &client);
    // A kept picture is drawn as it was drawn before: premultiplied ones
    // blended.
    if (!kept) previewAlpha = 0;
    animFrameIndex = 0;
    FreeAnimationFile();
    // The renderers draw at the client size: a minimised or oversized
    // window gets no picture rather than a failed allocation.
    TPreviewFit unused;
    if (!FitPreviewPicture(1, 1, client.right, client.bottom, &unused)) return;

    if (!kept) {
        DeletePreviewBitmap();
        ResetAnimationValues();
        previewBitmap = RunPreviewChain(name.c_str(), path, client.right, client.bottom);
        if (!previewBitmap) return;
    }
    PaintPreviewBitmap(previewWindow, previewBitmap, client, previewAlpha);

    KillTimer(mainWindow, kPreviewVideoTimer);
    if (PlayVideoInPreview(mainWindow, previewWindow, path, client) == 1) {
        SetTimer(mainWindow, kPreviewVideoTimer, 100, nullptr);
    }
    wchar_t command[64];
    wsprintfW(command, L"setaudio Zuv volume to %d", volume);
    SendPreviewMci(command);

    if (kept && previewBitmapFrame >= 0) {
        // A kept frame of an animation: the animation goes on from it.
        animFrameIndex = previewBitmapFrame;
        animationRunning = 1;
        ArmNextAnimationStep();
    } else if (animationRunning == 1) {
        SendMessageW(mainWindow, WM_COMMAND, ID_ANIMATION_START, 0);
    }
}

void PreviewEscapeKey() {
    if (IsWindowVisible(previewWindow)) {
        HidePreview();
        return;
    }
    SendMessageW(mainWindow, WM_CLOSE, 0, 0);
}

void PreviewEnterKey() {
    if (IsWindowVisible(previewWindow)) {
        HidePreview();
        return;
    }
    animFrameIndex = 0;
    ShowWindow(previewWindow, SW_SHOWNOACTIVATE);
    int index = static_cast<int>(SendMessageW(listView, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED));
    if (index >= 0) {
        // Focusing the item again makes the list view report the change,
        // which renders it with the preview now visible.
        LVITEMW state = {};
        state.stateMask = LVIS_FOCUSED;
        state.state = 0;
        SendMessageW(listView, LVM_SETITEMSTATE, index, reinterpret_cast<LPARAM>(&state));
        state.state = LVIS_FOCUSED;
        SendMessageW(listView, LVM_SETITEMSTATE, index, reinterpret_cast<LPARAM>(&state));
        SendMessageW(listView, LVM_ENSUREVISIBLE, index, FALSE);
    }
    UpdateWindow(listView);
    SetFocus(listView);
}

LRESULT OnPreviewVideoTimer(HWND window) {
    // The timer lives exactly as long as the preview's video plays.
    wchar_t mode[64] = L"";
    mciSendStringW(L"status Zuv mode", mode, 64, nullptr);
    if (lstrcmpiW(mode, L"playing") != 0) KillTimer(window, kPreviewVideoTimer);
    return 0;
}

LRESULT OnMciNotify(HWND window, LPARAM deviceId) {
    MCIDEVICEID preview = mciGetDeviceIDW(L"Zuv");
    if (preview != 0 && static_cast<MCIDEVICEID>(deviceId) == preview) KillTimer(window, kPreviewVideoTimer);
    return 0;
}
