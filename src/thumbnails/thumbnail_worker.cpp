#include "thumbnails/thumbnail_worker.h"

#include <objbase.h>
#include <shellapi.h>
#include <shlwapi.h>

#include <algorithm>
#include <climits>
#include <cstddef>
#include <cwchar>
#include <initializer_list>
#include <utility>
#include <vector>

#include "resources/resource.h"
#include "shell/folder_listing.h"
#include "shell/main_state.h"
#include "thumbnails/cache_files.h"
#include "thumbnails/pdf_step.h"
#include "thumbnails/tiles.h"
#include "thumbnails/worker_renderers.h"

namespace {

constexpr int kPath = 260;

// Set by a new worker once it holds its generation and folder; its starter
// waits for it (auto-reset, lives as long as the process).
HANDLE runTaken;

// The user-interface thread's record of the workers it started that have
// not ended yet, abandoned ones included. A worker is forgotten at its end
// message, or once its thread handle shows it has ended (the message is lost
// when the window has gone first). The handle also keeps the thread id from
// being reused while the record stands.
struct TStartedWorker {
    HANDLE thread;
    DWORD id;
    unsigned serial;
};
std::vector<TStartedWorker> startedWorkers;
unsigned lastSerial;

// Image lists the shell no longer uses, each kept while a worker started
// before it was given up (serial up to `lastSerialThen`) may still touch it.
struct TRetiredList {
    HIMAGELIST images;
    unsigned lastSerialThen;
};
std::vector<TRetiredList> retiredLists;

// What one run keeps for itself; everything else is read from the record
// when it is used.
struct TWorkerRun {
    TWorkerParams* params;
    wchar_t folder[kPath];
    int generation;
    int count;
    int size;
    HIMAGELIST images;
    HIMAGELIST previous;
    bool previousNamed;  // the hidden list view names the pictures of `previous`
    // The hidden list view's names, read at the first lookup: only a
    // completed run relists it, so they hold for the whole run.
    TListNames previousNames;
    bool previousNamesRead;
    HINSTANCE instance;
    HICON folderBadge;
    HICON archiveBadge;
    ICONINFO archiveBadgeInfo;
    HDC dc;
    int pageIndex;
    // The cache files this run's pictures were read from, by image index,
    // for the save to leave alone while they stay as they were.
    TCacheFileStamps cacheSources;
    // Pictures of the items from `stripFirst` on, read from cache files and
    // not yet in the list, with the files they came from; the strip goes in
    // when it holds `stripCapacity` pictures or an item of another kind comes.
    TCacheStrip strip;
    int stripFirst;
    int stripCapacity;
    TCacheFileStamps stripSources;
    std::vector<unsigned char> fileBytes;
};

struct TWorkerItem {
    int index;
    wchar_t name[kPath];
    wchar_t path[kPath];
    const wchar_t* extension;
    int folder;  // -1 until asked: a picture from the cache file needs no answer
};

bool IsFolderItem(TWorkerItem& item) {
    if (item.folder < 0) item.folder = IsFolderPath(item.path) ? 1 : 0;
    return item.folder == 1;
}

enum TStepResult { kNextStep, kItemDone };

// Values the user-interface thread changes while workers read them.
int SharedValue(const int& value) {
    return *static_cast<const volatile int*>(&value);
}

bool RunIsCurrent(const TWorkerRun& run) {
    const TWorkerParams* p = run.params;
    return run.generation == p->generation && p->currentDir && _wcsnicmp(run.folder, p->currentDir, kPath) == 0;
}

// Marks on the hidden list view whether its names still match the pictures
// of the image list: a run that empties the list breaks the match, and only a
// completed run, which relists the hidden list view, makes it again. Until
// then the list holds a partial run's pictures in that run's order.
bool HiddenNamesMatch(HWND shadow) {
    return GetWindowLongPtrW(shadow, GWLP_USERDATA) == 0;
}

void SetHiddenNamesMatch(HWND shadow, bool match) {
    SetWindowLongPtrW(shadow, GWLP_USERDATA, match ? 0 : 1);
}

bool RunMayGoOn(void* context) {
    return workerStop == 0 && RunIsCurrent(*static_cast<TWorkerRun*>(context));
}

bool ExtensionIs(const TWorkerItem& item, std::initializer_list<const wchar_t*> extensions) {
    for (const wchar_t* extension : extensions) {
        if (_wcsicmp(item.extension, extension) == 0) return true;
    }
    return false;
}

// The count rule keeps picture i with item i. The currency test, made again
// right before the add, keeps an abandoned worker out of its successor's list.
bool MayAddPicture(const TWorkerRun& run, const TWorkerItem& item) {
    return RunIsCurrent(run) && ImageList_GetImageCount(run.images) == item.index;
}

void RedrawItems(const TWorkerRun& run, int first, int last) {
    SendMessageW(run.params->listView, LVM_REDRAWITEMS, first, last);
}

void RedrawItem(const TWorkerRun& run, int index) {
    RedrawItems(run, index, index);
}

TStepResult AddIcon(const TWorkerRun& run, const TWorkerItem& item, HICON icon) {
    if (MayAddPicture(run, item)) {
        ImageList_ReplaceIcon(run.images, -1, icon);
        RedrawItem(run, item.index);
    }
    DestroyIcon(icon);
    return kItemDone;
}

TStepResult AddBitmap(const TWorkerRun& run, const TWorkerItem& item, HBITMAP bitmap, HBITMAP mask) {
    if (MayAddPicture(run, item)) {
        ImageList_Add(run.images, bitmap, mask);
        RedrawItem(run, item.index);
    }
    if (bitmap) DeleteObject(bitmap);
    if (mask) DeleteObject(mask);
    return kItemDone;
}

// Stands in for a picture that a step without fallback could not make, so
// that the following items still get theirs.
TStepResult AddPlainTile(const TWorkerRun& run, const TWorkerItem& item) {
    return AddBitmap(run, item, ScaleToTile(nullptr, run.size, 0), nullptr);
}

TStepResult AddFittedTile(const TWorkerRun& run, const TWorkerItem& item, HBITMAP picture) {
    HBITMAP mask = MakeTileMask(picture, run.size);
    HBITMAP tile = ScaleToTile(picture, run.size, 0);
    return AddBitmap(run, item, tile, mask);
}

TStepResult AddArchiveTile(const TWorkerRun& run, const TWorkerItem& item, HBITMAP picture, int alpha) {
    HBITMAP mask = nullptr;
    HBITMAP tile = MakeArchiveTile(run.dc, picture, run.size, alpha, run.archiveBadgeInfo.hbmColor, &mask);
    return AddBitmap(run, item, tile, mask);
}

// ---- The steps, in the order they are tried ----

// The largest strip: wide enough that a cached revisit waits for the
// user-interface thread once for many items, small enough that its pictures
// still come at once.
int StripCapacityLimit(int size) {
    const long long kStripBytes = 4 << 20;
    long long pictures = kStripBytes / (4LL * size * size);
    return static_cast<int>(std::max(1LL, std::min(32LL, pictures)));
}

// One add and one redraw for the strip's items; by the count rule and the
// currency test as for a single picture.
void AddCacheStrip(TWorkerRun& run) {
    int count = run.strip.count;
    if (count == 0) return;
    int first = run.stripFirst;
    HBITMAP colour = nullptr;
    HBITMAP mask = nullptr;
    bool added = false;
    if (MakeCacheStripBitmaps(run.strip, &colour, &mask) && RunIsCurrent(run) &&
        ImageList_GetImageCount(run.images) == first) {
        added = ImageList_Add(run.images, colour, mask) == first &&
                ImageList_GetImageCount(run.images) == first + count;
        RedrawItems(run, first, first + count - 1);
    }
    if (colour) DeleteObject(colour);
    if (mask) DeleteObject(mask);
    if (added) {
        if (run.cacheSources.size() < static_cast<size_t>(first + count)) run.cacheSources.resize(first + count);
        for (int k = 0; k < count; ++k) run.cacheSources[first + k] = std::move(run.stripSources[k]);
    }
    ClearCacheStrip(&run.strip);
    run.stripSources.clear();
    // The first picture goes in alone, as soon as it is read; then ever
    // longer strips.
    run.stripCapacity = std::min(run.stripCapacity * 2, StripCapacityLimit(run.size));
}

TStepResult StepCacheFile(TWorkerRun& run, TWorkerItem& item) {
    wchar_t cacheFile[kPath];
    TCacheFileRead read = kCacheFileUnopened;
    TCacheIconLayout layout = {};
    TCacheFileStamp stamp;
    if (run.params->ignoreCache == 0 && MakeItemCacheFilePath(cacheFile, run.folder, item.name, SharedValue(iconView))) {
        read = ReadCacheIconFile(cacheFile, run.size, &run.fileBytes, &layout, &stamp);
    }
    // A file as this program writes it goes into the list as part of a strip
    // of bitmaps: loading it as an icon and adding that cost several copies
    // of the picture and were most of a cached revisit's time.
    if (read == kCacheFileRead) {
        if (run.strip.count == 0) run.stripFirst = item.index;
        AppendToCacheStrip(&run.strip, run.fileBytes.data(), layout);
        run.stripSources.push_back(std::move(stamp));
        if (run.strip.count >= run.stripCapacity) AddCacheStrip(run);
        return kItemDone;
    }
    // Pictures of earlier items go in before anything of this one.
    AddCacheStrip(run);
    if (read == kCacheFileUnopened) return kNextStep;
    HICON icon = static_cast<HICON>(LoadImageW(nullptr, cacheFile, IMAGE_ICON, 0, 0, LR_LOADFROMFILE));
    if (!icon) return kNextStep;  // a file that is no icon counts as absent
    return AddIcon(run, item, icon);
}

TStepResult StepPreviousPicture(TWorkerRun& run, TWorkerItem& item) {
    if (run.params->fullRebuild != 0 || IsFolderItem(item) || !run.previousNamed) return kNextStep;
    if (!run.previousNamesRead) {
        ReadListNames(run.params->shadowListView, &run.previousNames);
        run.previousNamesRead = true;
    }
    HICON icon = ListNamesIcon(run.previousNames, run.previous, item.name);
    if (!icon) return kNextStep;
    return AddIcon(run, item, icon);
}

TStepResult StepFlashIcon(TWorkerRun& run, TWorkerItem& item) {
    if (!ExtensionIs(item, {L".swf"})) return kNextStep;
    wchar_t path[kPath];
    lstrcpynW(path, item.path, kPath);  // the call may write into it
    WORD index = 0;
    HICON icon = ExtractAssociatedIconW(run.instance, path, &index);
    return icon ? AddIcon(run, item, icon) : AddPlainTile(run, item);
}

TStepResult StepFolderPicture(TWorkerRun& run, TWorkerItem& item) {
    if (!IsFolderItem(item)) return kNextStep;
    wchar_t pictureFile[kPath];
    if (!MakeFolderPicturePath(pictureFile, item.path, SharedValue(iconView)) || !PathFileExistsW(pictureFile)) {
        return kNextStep;
    }
    HICON picture = static_cast<HICON>(LoadImageW(nullptr, pictureFile, IMAGE_ICON, 0, 0, LR_LOADFROMFILE));
    HBITMAP tile = ComposeFolderTile(picture, run.folderBadge);
    if (picture) DestroyIcon(picture);
    // A picture saved at another thumbnail size is fitted to this one, so the
    // image list takes exactly one image for the item.
    BITMAP tileSize = {};
    if (tile && GetObjectW(tile, sizeof(tileSize), &tileSize) &&
        (tileSize.bmWidth != run.size || tileSize.bmHeight != run.size)) {
        tile = ScaleToTile(tile, run.size, 0);
    }
    if (!tile) return AddPlainTile(run, item);
    return AddBitmap(run, item, tile, nullptr);
}

TStepResult StepFolderImage(TWorkerRun& run, TWorkerItem& item) {
    if (!IsFolderItem(item)) return kNextStep;
    HICON icon = GetShellItemImageIcon(item.path, run.size);
    return icon ? AddIcon(run, item, icon) : AddPlainTile(run, item);
}

TStepResult StepZip(TWorkerRun& run, TWorkerItem& item) {
    if (!ExtensionIs(item, {L".zip"})) return kNextStep;
    int alpha = 0;
    HBITMAP picture = WorkerZipPicture(item.path, run.params, &alpha);
    return picture ? AddArchiveTile(run, item, picture, alpha) : kNextStep;
}

TStepResult StepArchive(TWorkerRun& run, TWorkerItem& item) {
    if (!ExtensionIs(item, {L".7z", L".rar", L".cab", L".lzh"})) return kNextStep;
    const wchar_t* archiver = run.params->sevenZipPath;
    if (!archiver || !*archiver) return kNextStep;
    int alpha = 0;
    HBITMAP picture = WorkerArchivePicture(item.path, run.params, &alpha);
    return picture ? AddArchiveTile(run, item, picture, alpha) : kNextStep;
}

TStepResult StepMp3Cover(TWorkerRun& run, TWorkerItem& item) {
    if (!ExtensionIs(item, {L".mp3"})) return kNextStep;
    wchar_t path[kPath];
    lstrcpynW(path, item.path, kPath);
    wchar_t title[kPath] = L"";
    HBITMAP cover = WorkerMp3Cover(path, title);
    return cover ? AddFittedTile(run, item, cover) : kNextStep;
}

TStepResult StepFontSample(TWorkerRun& run, TWorkerItem& item) {
    if (!ExtensionIs(item, {L".ttf", L".ttc", L".otf", L".woff", L".woff2"})) return kNextStep;
    const TWorkerParams* p = run.params;
    wchar_t path[kPath];
    lstrcpynW(path, item.path, kPath);
    wchar_t faceName[kPath] = L"";
    HBITMAP sample = WorkerFontSample(path, run.size, run.size, p->fontSize, p->fontStrJp, p->fontStrEn, 1,
                                      faceName, &run.pageIndex);
    // A font that cannot be drawn still gets its (plain) tile.
    return AddBitmap(run, item, ScaleToTile(sample, run.size, 0), nullptr);
}

TStepResult StepPdfPage(TWorkerRun& run, TWorkerItem& item) {
    if (!WorkerHasPdfStep() || !ExtensionIs(item, {L".pdf"})) return kNextStep;
    HBITMAP page = RunWorkerPdfStep(item.path, &run.pageIndex);
    return page ? AddFittedTile(run, item, page) : kNextStep;
}

TStepResult StepHtmlScreenshot(TWorkerRun& run, TWorkerItem& item) {
    if (!ExtensionIs(item, {L".htm", L".html"})) return kNextStep;
    const wchar_t* browser = run.params->browserPath;
    if (!browser || !*browser || !PathFileExistsW(browser)) return kNextStep;
    HBITMAP shot = WorkerHtmlScreenshot(browser, item.path);
    return shot ? AddFittedTile(run, item, shot) : kNextStep;
}

TStepResult StepImage(TWorkerRun& run, TWorkerItem& item) {
    HBITMAP picture = WorkerImage(item.path, run.size, run.params->speedMode);
    if (!picture) return kNextStep;
    if (ExtensionIs(item, {L".jpg", L".jpeg"})) picture = WorkerExifTurn(run.params->mainWindow, item.path, picture);
    int alpha = 0;
    if (ExtensionIs(item, {L".png", L".webp", L".gif"})) {
        PremultiplyAlpha(picture);
        alpha = 1;
    }
    if (!picture) return kNextStep;
    HBITMAP mask = MakeTileMask(picture, run.size);
    HBITMAP tile = ScaleToTile(picture, run.size, alpha);
    return AddBitmap(run, item, tile, mask);
}

TStepResult StepVideoFrame(TWorkerRun& run, TWorkerItem& item) {
    int seconds = run.params->thumbnailWait;
    if (seconds == -1) return kNextStep;
    HBITMAP frame = WorkerVideoFrame(item.path, seconds);
    return frame ? AddFittedTile(run, item, frame) : kNextStep;
}

TStepResult StepDocx(TWorkerRun& run, TWorkerItem& item) {
    HBITMAP page = WorkerDocxPage(run.params->mainWindow, item.path, run.size, run.size, run.params->fontName);
    return page ? AddBitmap(run, item, page, nullptr) : kNextStep;
}

TStepResult StepTextFile(TWorkerRun& run, TWorkerItem& item) {
    HBITMAP text = WorkerTextFile(item.path, run.size, run.size, run.params->fontName);
    return text ? AddBitmap(run, item, text, nullptr) : kNextStep;
}

TStepResult StepShellIcon(TWorkerRun& run, TWorkerItem& item) {
    HBITMAP icon = GetShellItemIcon(item.path, run.size);
    PremultiplyAlpha(icon);
    HBITMAP square = ComposeIntoSquare(run.params->mainWindow, icon, run.size, run.params->speedMode);
    return AddBitmap(run, item, ScaleToTile(square, run.size, 0), nullptr);
}

using TWorkerStep = TStepResult (*)(TWorkerRun&, TWorkerItem&);

// Cheap tests first: the cache and the previous run's pictures before any
// renderer, the extension rules before the generic decoders.
const TWorkerStep kWorkerSteps[] = {
    StepCacheFile,      StepPreviousPicture, StepFlashIcon, StepFolderPicture, StepFolderImage, StepZip,
    StepArchive,        StepMp3Cover,        StepFontSample, StepPdfPage,      StepHtmlScreenshot,
    StepImage,          StepVideoFrame,      StepDocx,       StepTextFile,     StepShellIcon,
};

void MakeItem(const TWorkerRun& run, int index, TWorkerItem* item) {
    item->index = index;
    ListViewItemText(run.params->listView, index, item->name);
    if (!PathCombineW(item->path, run.folder, item->name)) item->path[0] = L'\0';
    item->extension = PathFindExtensionW(item->path);
    item->folder = -1;
}

// The run's identity, taken before anything that could let a stop come first.
void TakeRun(TWorkerRun* run, TWorkerParams* p) {
    run->params = p;
    lstrcpynW(run->folder, p->currentDir ? p->currentDir : L"", kPath);
    run->generation = p->generation;
    if (runTaken) SetEvent(runTaken);
}

void StartRun(TWorkerRun* run, TWorkerParams* p) {
    run->count = static_cast<int>(SendMessageW(p->listView, LVM_GETITEMCOUNT, 0, 0));
    if (SharedValue(iconView) == 1) {
        run->size = p->iconSize;
        run->images = p->imageListLarge;
    } else {
        run->size = p->iconSizeSmall;
        run->images = p->imageListSmall;
    }
    run->previous = ImageList_Duplicate(run->images);
    // A worker abandoned while it waited for the item count gets here after
    // its successor has begun to fill the same list: only a current run
    // empties it.
    if (RunIsCurrent(*run)) {
        run->previousNamed = HiddenNamesMatch(p->shadowListView);
        ImageList_Remove(run->images, -1);
        SetHiddenNamesMatch(p->shadowListView, false);
    }
    if (run->count > 0) SendMessageW(p->listView, LVM_REDRAWITEMS, 0, run->count - 1);
    UpdateWindow(p->listView);

    run->instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(p->mainWindow, GWLP_HINSTANCE));
    wchar_t emptyPath[kPath] = L"";
    WORD index = 0;
    run->folderBadge = ExtractAssociatedIconW(run->instance, emptyPath, &index);
    run->dc = GetDC(p->mainWindow);
    run->archiveBadge = static_cast<HICON>(
        LoadImageW(run->instance, MAKEINTRESOURCEW(IDI_ARCHIVE_BADGE), IMAGE_ICON, 0, 0, LR_DEFAULTCOLOR));
    if (!run->archiveBadge || !GetIconInfo(run->archiveBadge, &run->archiveBadgeInfo)) {
        run->archiveBadgeInfo = ICONINFO{};
    }
    run->pageIndex = 0;
    run->strip.size = run->size;
    run->stripCapacity = 1;
}

void EndRun(TWorkerRun* run) {
    TWorkerParams* p = run->params;
    if (workerStop == 0 && RunIsCurrent(*run)) {
        ListFolder(p->shadowListView, run->folder, p->hideCache);
        // The relisting waits for the user-interface thread; a successor
        // started meanwhile has made the image list its own.
        if (workerStop == 0 && RunIsCurrent(*run)) SetHiddenNamesMatch(p->shadowListView, true);
    }
    if (run->folderBadge) DestroyIcon(run->folderBadge);
    if (run->previous) {
        ImageList_Remove(run->previous, -1);
        ImageList_Destroy(run->previous);
    }
    PumpMessages();
    if (run->archiveBadgeInfo.hbmColor) DeleteObject(run->archiveBadgeInfo.hbmColor);
    if (run->archiveBadgeInfo.hbmMask) DeleteObject(run->archiveBadgeInfo.hbmMask);
    if (run->archiveBadge) DestroyIcon(run->archiveBadge);
    if (run->dc) ReleaseDC(p->mainWindow, run->dc);
    if (workerStop == 0 && RunIsCurrent(*run) && p->cacheAutoSave == 1) {
        SaveFolderCacheWhile(p->mainWindow, p->listView, p->imageListLarge, p->imageListSmall, run->folder,
                             RunMayGoOn, run, &run->cacheSources);
    }
    // While a stop is under way no successor has started yet: a partial list
    // must not be reused by name as if it were complete.
    if (workerStop == 1) ImageList_Remove(run->images, -1);
}

}  // namespace

DWORD WINAPI ThumbnailWorkerProc(LPVOID param) {
    TWorkerParams* p = static_cast<TWorkerParams*>(param);
    TWorkerRun run = {};
    TakeRun(&run, p);
    // The shell item, imaging and Media Foundation calls of the renderers need COM here.
    HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);

    StartRun(&run, p);

    for (int i = 0; i < run.count; ++i) {
        if (workerStop == 1) break;     // stopped
        if (!RunIsCurrent(run)) break;  // superseded
        TWorkerItem item;
        MakeItem(run, i, &item);
        for (TWorkerStep step : kWorkerSteps) {
            if (step(run, item) == kItemDone) break;
        }
    }
    // The pictures already read are added as they would have been before
    // the next item's checks.
    AddCacheStrip(run);
    EndRun(&run);

    if (SUCCEEDED(com)) CoUninitialize();
    // The last act: nothing of the shell's is touched after this.
    PostMessageW(p->mainWindow, kWorkerEndedMessage, GetCurrentThreadId(), 0);
    return 1;
}

namespace {

void ForgetWorkerAt(size_t index) {
    if (startedWorkers[index].thread) CloseHandle(startedWorkers[index].thread);
    startedWorkers.erase(startedWorkers.begin() + static_cast<std::ptrdiff_t>(index));
}

void ForgetEndedThreads() {
    for (size_t i = startedWorkers.size(); i-- > 0;) {
        HANDLE thread = startedWorkers[i].thread;
        if (thread && WaitForSingleObject(thread, 0) == WAIT_OBJECT_0) ForgetWorkerAt(i);
    }
}

// Destroys every retired list that no worker still running was started early
// enough to reach.
void DestroyUnreachableLists() {
    ForgetEndedThreads();
    unsigned oldestRunning = UINT_MAX;
    for (const TStartedWorker& worker : startedWorkers) oldestRunning = std::min(oldestRunning, worker.serial);
    for (size_t i = retiredLists.size(); i-- > 0;) {
        if (retiredLists[i].lastSerialThen >= oldestRunning) continue;
        ImageList_Destroy(retiredLists[i].images);
        retiredLists.erase(retiredLists.begin() + static_cast<std::ptrdiff_t>(i));
    }
}

}  // namespace

HANDLE StartThumbnailWorker(TWorkerParams* params) {
    if (!runTaken) runTaken = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    if (runTaken) ResetEvent(runTaken);
    DWORD id = 0;
    HANDLE thread = CreateThread(nullptr, 0, ThumbnailWorkerProc, params, 0, &id);
    if (thread) {
        HANDLE own = nullptr;
        DuplicateHandle(GetCurrentProcess(), thread, GetCurrentProcess(), &own, SYNCHRONIZE, FALSE, 0);
        startedWorkers.push_back({own, id, ++lastSerial});
    }
    // The worker takes nothing from this thread before it signals, so the
    // wait cannot block it; the thread handle ends the wait if it dies first.
    if (thread && runTaken) {
        HANDLE waits[2] = {runTaken, thread};
        WaitForMultipleObjects(2, waits, FALSE, 5000);
    }
    return thread;
}

void StopThumbnailWorker() {
    if (!workerThread) return;
    workerStop = 1;
    WaitForSingleObject(workerThread, 100);
    // An abandoned worker runs on and ends by itself; nothing waits for it
    // again, so its handle can be closed now as well.
    CloseHandle(workerThread);
    workerThread = nullptr;
    workerStop = 0;
}

int RunningWorkerCount() {
    ForgetEndedThreads();
    return static_cast<int>(startedWorkers.size());
}

void ForgetEndedWorker(DWORD threadId) {
    for (size_t i = 0; i < startedWorkers.size(); ++i) {
        if (startedWorkers[i].id == threadId) {
            ForgetWorkerAt(i);
            break;
        }
    }
    DestroyUnreachableLists();
}

void RetireImageList(HIMAGELIST images) {
    if (!images) return;
    retiredLists.push_back({images, lastSerial});
    DestroyUnreachableLists();
}

namespace {

HICON IconAtPosition(HIMAGELIST images, int position) {
    return position < ImageList_GetImageCount(images) ? ImageList_GetIcon(images, position, ILD_NORMAL) : nullptr;
}

}  // namespace

HICON FindListItemIcon(HWND list, HIMAGELIST images, const wchar_t* name) {
    if (!list || !images || !name) return nullptr;
    int count = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        wchar_t text[kPath];
        ListViewItemText(list, i, text);
        if (_wcsicmp(text, name) == 0) return IconAtPosition(images, i);
    }
    return nullptr;
}

// Ordered by the comparison FindListItemIcon matches with, so that equal
// keys are exactly the names it takes for the same.
bool TNoCaseLess::operator()(const std::wstring& a, const std::wstring& b) const {
    return _wcsicmp(a.c_str(), b.c_str()) < 0;
}

void ReadListNames(HWND list, TListNames* names) {
    names->texts.clear();
    names->firstPosition.clear();
    if (!list) return;
    int count = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    names->texts.reserve(count > 0 ? count : 0);
    for (int i = 0; i < count; ++i) {
        wchar_t text[kPath];
        ListViewItemText(list, i, text);
        names->texts.push_back(text);
        names->firstPosition.emplace(names->texts.back(), i);  // keeps the first of equal names
    }
}

int ListNamesPosition(const TListNames& names, const std::wstring& name) {
    auto found = names.firstPosition.find(name);
    return found == names.firstPosition.end() ? -1 : found->second;
}

HICON ListNamesIcon(const TListNames& names, HIMAGELIST images, const std::wstring& name) {
    if (!images) return nullptr;
    int position = ListNamesPosition(names, name);
    return position < 0 ? nullptr : IconAtPosition(images, position);
}

bool PumpMessages() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            // The quit belongs to the thread's own loop further out, which
            // must still see it to end the program.
            PostQuitMessage(static_cast<int>(msg.wParam));
            return false;
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return true;
}
