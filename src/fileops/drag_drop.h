// Drag and drop: the selection dragged out to the shell or any program that
// takes files, and files dropped on the main window moved in.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <shellapi.h>

// The drop source of a drag out of the list view. It starts with no
// reference; its creator takes the first.
class TDropSource final : public IDropSource {
public:
    TDropSource();
    ~TDropSource();

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    // Escape or both buttons cancel; no button left drops; else go on.
    HRESULT STDMETHODCALLTYPE QueryContinueDrag(BOOL escapePressed, DWORD keyState) override;
    HRESULT STDMETHODCALLTYPE GiveFeedback(DWORD effect) override;

    // How many drop sources are alive; a drag that has ended leaves none.
    static LONG Alive();

private:
    volatile LONG refCount;
};

// Hands the selected items to the system's drag loop as the desktop
// folder's data object; returns when the drag has ended. Copy alone is
// offered while Shift is held. Items that are gone are left out.
void StartDragOfSelection();

// Moves every file and folder of a drop into `targetFolder`, asking before
// it touches an item of the same folder or replaces an existing item. The
// caller finishes the drop.
void MoveDroppedFiles(HWND owner, const wchar_t* targetFolder, HDROP drop);
