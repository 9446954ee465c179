#include "app/win32/BrenvikApp.h"

#include <windows.h>

#include <commctrl.h>

#include "app/win32/BrenvikDlg.h"

namespace brenvik::app {

int CBrenvikApp::InitInstance() {
  // The classes of the common controls, version 6 as the manifest asks.
  INITCOMMONCONTROLSEX controls{};
  controls.dwSize = sizeof(controls);
  controls.dwICC = ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES;
  InitCommonControlsEx(&controls);

  CBrenvikDlg dialog;
  dialog.Context().link.SetTrace(m_bTraceFrames);
  if (!m_job.empty()) dialog.OpenJob(m_job);
  dialog.DoModal();  // how the window was closed does not matter
  return 0;
}

}  // namespace brenvik::app
