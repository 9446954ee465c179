#pragma once

// The ids of the dialog templates, their controls, the strings, the icon, the
// logo and the window's own commands. Plain definitions, so that the Windows
// resource compiler reads this very file, and both windows use the ids it
// gives: the Win32 dialog finds its controls by them, the Qt one carries each
// control's id as the dynamic property "controlId" and its name as objectName.

#define IDD_ABOUTBOX 100
#define IDS_ABOUTBOX 101
#define IDD_MAIN 102
#define IDR_MAINFRAME 128
#define IDB_LOGO 136

#define IDC_PORT 1001
#define IDC_DB_PATH 1002
#define IDC_DB_STATUS 1003
#define IDC_SELECT_DB 1004
#define IDC_DOWNLOAD_DB 1005
#define IDC_CONNECT 1006
#define IDC_MMI_PATH 1007
#define IDC_SELECT_MMI 1008
#define IDC_MMI_STATUS 1009
#define IDC_DOWNLOAD_MMI 1010

// The About box's OK button; Windows' own headers give it the same value.
#ifndef IDOK
#define IDOK 1
#endif

// The About entry of the window's menu.
#define IDM_ABOUTBOX 0x0010

#ifndef RC_INVOKED
namespace brenvik::app {

// The program's name: the caption of every message box.
inline constexpr const char* kAppName = "brenvik";

}  // namespace brenvik::app
#endif
