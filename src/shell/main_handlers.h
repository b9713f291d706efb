// The handlers of the main window procedure, one per message or command
// group; each returns the message result.
#pragma once

#include <windows.h>

// main_window.cpp
LRESULT OnCreate(HWND window, const CREATESTRUCTW* create);
LRESULT OnDestroy(HWND window);
LRESULT OnSize(HWND window, LPARAM lParam);
LRESULT OnActivate(HWND window, WPARAM wParam);
LRESULT OnPaint(HWND window, WPARAM wParam, LPARAM lParam);
LRESULT OnClose(HWND window);
LRESULT OnCommand(HWND window, WPARAM wParam, LPARAM lParam);
LRESULT OnUpButton(HWND window);
LRESULT OnWorkerEnded(HWND window, WPARAM wParam);

// key_commands.cpp
LRESULT OnKeyDown(HWND window, WPARAM wParam, LPARAM lParam);
LRESULT OnDropFiles(HWND window, WPARAM wParam);

// list_notifications.cpp: WM_NOTIFY, of which only the list view's count.
LRESULT OnNotify(HWND window, WPARAM wParam, LPARAM lParam);
LRESULT OnListViewNotify(HWND window, NMHDR* header);
LRESULT OnListViewDoubleClick(HWND window, NMHDR* header);
LRESULT OnListViewBeginDrag(HWND window, NMHDR* header);

// settings_menu.cpp
LRESULT OnContextMenu(HWND window, WPARAM wParam, LPARAM lParam);
LRESULT OnSettingsCommand(HWND window, int id);

// preview/preview_commands.cpp: the animation commands of the preview.
LRESULT OnAnimationCommand(HWND window, int id);

// preview/preview_pipeline.cpp: timer 1 while a preview video plays, and
// the end of its playback.
LRESULT OnPreviewVideoTimer(HWND window);
LRESULT OnMciNotify(HWND window, LPARAM deviceId);
