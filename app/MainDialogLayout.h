#pragma once

#include <array>

#include "app/Resource.h"
#include "app/WindowTexts.h"

namespace brenvik::app {

// The main window's layout in dialog units, the one source of its controls:
// the Qt window places its widgets from it, and app/win32/brenvik.rc holds
// the same template for the Windows resource compiler (a test compares the
// two control by control).

inline constexpr int kMainDialogWidth = 231;
inline constexpr int kMainDialogHeight = 124;

enum class ControlKind { PortList, Edit, Button, Label, Logo };

struct DialogControl {
  int id;            // IDC_*; -1 for the labels and the logo
  const char* name;  // "IDC_PORT"; "IDC_STATIC" for the labels and the logo
  ControlKind kind;
  // x, y, width, height; the port list's height takes in its dropped-down list.
  int x;
  int y;
  int width;
  int height;
  bool disabledAtStart;
  bool readOnly;
  const char* caption;  // of a button or a label; empty for the others
};

inline constexpr int kStaticId = -1;

// In tab order, then the labels and the logo.
inline constexpr std::array<DialogControl, 16> kMainDialogControls = {{
    {IDC_PORT, "IDC_PORT", ControlKind::PortList, 169, 7, 52, 41, false, false, ""},
    {IDC_DB_PATH, "IDC_DB_PATH", ControlKind::Edit, 35, 43, 131, 15, false, false, ""},
    {IDC_DB_STATUS, "IDC_DB_STATUS", ControlKind::Edit, 35, 59, 131, 14, false, true, ""},
    {IDC_SELECT_DB, "IDC_SELECT_DB", ControlKind::Button, 169, 43, 54, 14, false, false,
     "Select DB File"},
    {IDC_DOWNLOAD_DB, "IDC_DOWNLOAD_DB", ControlKind::Button, 170, 59, 53, 14, true, false,
     "Download DB"},
    {IDC_CONNECT, "IDC_CONNECT", ControlKind::Button, 169, 23, 53, 14, false, false,
     kConnectCaption},
    {IDC_MMI_PATH, "IDC_MMI_PATH", ControlKind::Edit, 35, 75, 131, 15, false, false, ""},
    {IDC_SELECT_MMI, "IDC_SELECT_MMI", ControlKind::Button, 169, 75, 53, 14, false, false,
     "Select MMI File"},
    {IDC_MMI_STATUS, "IDC_MMI_STATUS", ControlKind::Edit, 35, 94, 131, 14, false, true, ""},
    {IDC_DOWNLOAD_MMI, "IDC_DOWNLOAD_MMI", ControlKind::Button, 170, 94, 52, 14, true, false,
     "Download MMI"},
    {kStaticId, "IDC_STATIC", ControlKind::Label, 17, 46, 14, 8, false, false, "File:"},
    {kStaticId, "IDC_STATIC", ControlKind::Label, 7, 62, 24, 8, false, false, "Status:"},
    {kStaticId, "IDC_STATIC", ControlKind::Label, 148, 9, 17, 8, false, false, "Port:"},
    {kStaticId, "IDC_STATIC", ControlKind::Label, 15, 78, 14, 8, false, false, "File:"},
    {kStaticId, "IDC_STATIC", ControlKind::Label, 7, 96, 24, 8, false, false, "Status:"},
    {kStaticId, "IDC_STATIC", ControlKind::Logo, 35, 7, 67, 34, false, false, ""},
}};

}  // namespace brenvik::app
