#pragma once

// Ids of the program's own resources. Plain #defines only: the resource compiler reads this file
// too. The string ids match message_id in app/message_table.h.

// Pictures and the window icon.
#define IDI_KESTRIX 101
#define IDB_BANNER 104
#define IDB_SPLASH 135

// Dialog 137, the installer selection, and its controls.
#define IDD_INSTALLER 137
#define IDC_WELCOME_TEXT 1002
#define IDC_INSTALLER_PATH 1006
#define IDC_BROWSE 1007
#define IDC_INSTALLER_NOTE 1008

// The string table.
#define IDS_ERROR_TITLE 4
#define IDS_NOT_AN_INSTALLER 10
#define IDS_MISSING_FILES 11
#define IDS_COULD_NOT_GENERATE 12
#define IDS_INSTALLER_NOT_FOUND 13
#define IDS_CONFIRM_QUICKTIME 20
#define IDS_QUICKTIME_UNREADABLE 21
#define IDS_CONFIRM_TITLE 22
#define IDS_VALUE_NOT_IN_CODE_PAGE 23
#define IDS_EDITOR_NOT_WRITTEN 24
#define IDS_CONFIGURATION_NOT_SAVED 25
#define IDS_NO_INSTALLER_CHOSEN 30
#define IDS_INSTALLER_FIELD_HINT 31
#define IDS_INSTALLER_FIELD_NAME 32
#define IDS_DISCARD_EDITS 33
#define IDS_DESTINATION_IN_WORKSPACE 34
#define IDS_SUCCEEDED_TITLE 50
#define IDS_PLAYER_GENERATED 51
#define IDS_EXECUTABLE_FILTER 100
#define IDS_WINDOW_TITLE 101
