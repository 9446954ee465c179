#pragma once

#include <windows.h>

namespace brenvik::app {

// The About box: the template IDD_ABOUTBOX with the icon, the program's name
// and version, and OK.
class CAboutDlg {
 public:
  // Runs the box modally, owned by owner (which is disabled meanwhile), until
  // OK, Enter, Escape or the close box ends it.
  void DoModal(HWND owner);

 private:
  static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
};

}  // namespace brenvik::app
