// Resource and command ids shared by the resource script and the code.
#pragma once

// Icons
#define IDI_ZUV_LARGE 105
#define IDI_ZUV_SMALL 108
#define IDI_ARCHIVE_BADGE 117

// Dialogs
#define IDD_INPUT 103
#define IDD_FILE_NAME 109
#define IDD_VALUES 111

// Controls of the dialogs
#define IDC_INPUT_EDIT 1001
#define IDC_FILE_NAME_EDIT 1001
#define IDC_VALUES_ICON_SIZE 1001
#define IDC_VALUES_ICON_SIZE_SMALL 1002
#define IDC_VALUES_THUMBNAIL_WAIT 1003

// Menu
#define IDM_SETTINGS 113
#define ID_SETTINGS_VALUES 40009
#define ID_SETTINGS_HIDE_CACHE 40012
#define ID_SETTINGS_CACHE_AUTOSAVE 40014
#define ID_SETTINGS_SPEED 40016
#define ID_SETTINGS_DARK 40018

// Accelerator commands
#define ID_KEY_ESCAPE 32770
#define ID_KEY_RIGHT 32771
#define ID_KEY_LEFT 32772
#define ID_KEY_RETURN 32773

// Preview animation commands
#define ID_ANIMATION_STEP 10001
#define ID_ANIMATION_START 10002

// Child windows of the main window
#define IDC_LIST_VIEW 1001
#define IDC_SHADOW_LIST_VIEW 1002
#define IDC_UP_BUTTON 1003
#define IDC_PATH_EDIT 1004
