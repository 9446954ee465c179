#include "app/win32/OpenFileDialog.h"

#include <commdlg.h>

#include <cwchar>

#include "app/WindowTexts.h"
#include "base/Utf8Win32.h"

namespace brenvik::app {

std::string ChooseFileToOpen(HWND owner, DownloadKind kind) {
  const FileFilter filter = FileFilterFor(kind);
  const std::wstring pattern = WideFromUtf8(filter.pattern);
  std::wstring filters = WideFromUtf8(filter.name) + L" (" + pattern + L")";
  filters.push_back(L'\0');
  filters += pattern;
  filters.push_back(L'\0');
  filters += L"All files (*.*)";
  filters.push_back(L'\0');
  filters += L"*.*";
  filters.push_back(L'\0');
  std::wstring path(32768, L'\0');
  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof(dialog);
  dialog.hwndOwner = owner;
  dialog.lpstrFilter = filters.c_str();
  dialog.nFilterIndex = 1;
  dialog.lpstrFile = path.data();
  dialog.nMaxFile = static_cast<DWORD>(path.size());
  dialog.lpstrDefExt = L"csv";
  dialog.Flags =
      OFN_EXPLORER | OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST;
  if (!GetOpenFileNameW(&dialog)) return {};
  path.resize(wcslen(path.c_str()));
  return Utf8FromWide(path);
}

}  // namespace brenvik::app
