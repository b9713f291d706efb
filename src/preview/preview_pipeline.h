// The preview of the focused list item: the renderer chain run at the
// preview window's client size, the paint, the video attempt and the
// animation set-up; and the preview's Enter and Escape. All of it runs only
// while previewWindow is set, on the user-interface thread.
#pragma once

#include <windows.h>

#include "preview/frame_rect.h"

// Timer of the main window that ticks every 100 ms while a preview video
// plays.
constexpr UINT_PTR kPreviewVideoTimer = 1;

// Path of the item last handled by UpdatePreview.
extern wchar_t lastPreviewPath[260];
// Frame index recorded when the same archive or animated file comes again;
// -1 until then.
extern int lastPreviewIndex;
// Copy of the first APNG picture, the previous picture of the first disposal.
extern HBITMAP previewPrevCanvas;

// Runs for every LVN_ITEMCHANGED of the list view while previewWindow is set.
void UpdatePreview();

// The preview's Escape: hides a visible preview, closes the program when it
// is hidden.
void PreviewEscapeKey();
// The preview's Enter on a file without Shift: hides a visible preview,
// shows a hidden one and renders the focused item into it.
void PreviewEnterKey();

// The title of a shown picture: "name (w×h) yyyy/mm/dd hh:mm", or
// "name (w×h)" when the item's time cannot be read.
void SetPreviewPictureTitle(const wchar_t* name, const wchar_t* path, HBITMAP picture);

// The animation set-up for a first frame from LoadAnimationFrame, which
// lies at `placement` of its canvas.
void SetUpAnimation(const wchar_t* name, const wchar_t* path, TFrameRect placement);

// Deletes the pending animation timer; a step it has posted already finds
// none and does nothing.
void CancelAnimationTimer();
// Arms the one-shot timer of the next animation step for when the frame
// shown has had its time; nothing while the preview is hidden or nothing
// is animated.
void ArmNextAnimationStep();
