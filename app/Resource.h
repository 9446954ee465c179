#pragma once

// Control ids of the main window and the About box, and the ids of the
// window's own commands. Each control carries its id as the dynamic property
// "controlId" and its name as objectName.

namespace brenvik::app {

inline constexpr int IDD_ABOUTBOX = 100;
inline constexpr int IDD_MAIN = 102;

inline constexpr int IDC_PORT = 1001;
inline constexpr int IDC_DB_PATH = 1002;
inline constexpr int IDC_DB_STATUS = 1003;
inline constexpr int IDC_SELECT_DB = 1004;
inline constexpr int IDC_DOWNLOAD_DB = 1005;
inline constexpr int IDC_CONNECT = 1006;
inline constexpr int IDC_MMI_PATH = 1007;
inline constexpr int IDC_SELECT_MMI = 1008;
inline constexpr int IDC_MMI_STATUS = 1009;
inline constexpr int IDC_DOWNLOAD_MMI = 1010;

inline constexpr int IDOK = 1;

// The About entry of the window's menu.
inline constexpr unsigned IDM_ABOUTBOX = 0x10;

// The program's name: the caption of every message box.
inline constexpr const char* kAppName = "brenvik";

}  // namespace brenvik::app
