#include "app/win32/BrenvikDlg.h"

#include <commdlg.h>

#include <algorithm>

#include "app/Resource.h"
#include "app/WindowTexts.h"
#include "app/win32/AboutDlg.h"
#include "base/Utf8Win32.h"

namespace brenvik::app {

namespace {

constexpr UINT_PTR kStatusTimer = 1;
constexpr UINT kTimerPeriodMs = 100;
// Posted by a download worker: its short-write box is due on the UI thread.
constexpr UINT kTxErrorMessage = WM_APP + 1;
constexpr const wchar_t* kCaption = L"brenvik";

HICON LoadIconOfSize(int widthMetric, int heightMetric) {
  return static_cast<HICON>(LoadImageW(
      GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAINFRAME), IMAGE_ICON,
      GetSystemMetrics(widthMetric), GetSystemMetrics(heightMetric), LR_DEFAULTCOLOR | LR_SHARED));
}

std::string TextOf(HWND control) {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(control)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(
      GetWindowTextW(control, text.data(), static_cast<int>(text.size()))));
  return Utf8FromWide(text);
}

void SetIfChanged(HWND control, const std::string& text) {
  // Rewriting an unchanged text would move the caret of a field being edited.
  if (TextOf(control) != text) SetWindowTextW(control, WideFromUtf8(text).c_str());
}

// The file chooser of the system, owned by the window: the kind's files
// first, all files besides; a name typed without extension gets ".csv".
std::string ChooseFileFor(HWND owner, DownloadKind kind) {
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

}  // namespace

CBrenvikDlg::CBrenvikDlg()
    : m_hIcon(LoadIconOfSize(SM_CXICON, SM_CYICON)),
      m_hSmallIcon(LoadIconOfSize(SM_CXSMICON, SM_CYSMICON)),
      m_listPorts(ListPresentPorts),
      m_controller(
          {.showMessage = [this](const std::string& text) { ShowMessage(text); },
           .askQuestion =
               [this](const std::string& text) { return m_askQuestion && m_askQuestion(text); },
           // Posted: the box is shown by the UI thread's message loop.
           .wakeUi = [this] { PostMessageW(m_hWnd, kTxErrorMessage, 0, 0); }}) {
  m_chooseFile = [this](DownloadKind kind) { return ChooseFileFor(m_hWnd, kind); };
  m_showMessage = [this](const std::string& text) {
    MessageBoxW(m_hWnd, WideFromUtf8(text).c_str(), kCaption, MB_OK);
  };
  m_askQuestion = [this](const std::string& text) {
    return MessageBoxW(m_hWnd, WideFromUtf8(text).c_str(), kCaption,
                       MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) == IDYES;
  };
}

CBrenvikDlg::~CBrenvikDlg() {
  m_controller.Close();
  if (m_hWnd != nullptr && !m_bModal) DestroyWindow(m_hWnd);
}

void CBrenvikDlg::DoModal() {
  m_bModal = true;
  DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_MAIN), nullptr, DialogProc,
                  reinterpret_cast<LPARAM>(this));
  m_hWnd = nullptr;
}

HWND CBrenvikDlg::Create() {
  m_bModal = false;
  return CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_MAIN), nullptr,
                            DialogProc, reinterpret_cast<LPARAM>(this));
}

INT_PTR CALLBACK CBrenvikDlg::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    SetWindowLongPtrW(window, DWLP_USER, lParam);
    auto* dialog = reinterpret_cast<CBrenvikDlg*>(lParam);
    dialog->m_hWnd = window;
    dialog->OnInitDialog();
    return TRUE;  // the focus goes to the first tab stop, the port field
  }
  auto* dialog = reinterpret_cast<CBrenvikDlg*>(GetWindowLongPtrW(window, DWLP_USER));
  return dialog != nullptr ? dialog->OnMessage(message, wParam, lParam) : FALSE;
}

INT_PTR CBrenvikDlg::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      OnCommand(LOWORD(wParam), HIWORD(wParam));
      return TRUE;
    case WM_TIMER:
      OnTimer();
      return TRUE;
    case kTxErrorMessage:
      m_controller.ShowTxError();
      return TRUE;
    case WM_SYSCOMMAND:
      return OnSysCommand(wParam) ? TRUE : FALSE;
    case WM_PAINT:
      return OnPaint() ? TRUE : FALSE;
    case WM_QUERYDRAGICON:
      return reinterpret_cast<INT_PTR>(m_hIcon);
    case WM_QUERYENDSESSION:
      // The session may end: the port is released when it does.
      SetWindowLongPtrW(m_hWnd, DWLP_MSGRESULT, TRUE);
      return TRUE;
    case WM_ENDSESSION:
      if (wParam != FALSE) CloseWithoutAsking();
      return TRUE;
    case WM_DESTROY:
      KillTimer(m_hWnd, kStatusTimer);
      m_controller.Close();
      return FALSE;
    default:
      (void)lParam;
      return FALSE;
  }
}

void CBrenvikDlg::OnInitDialog() {
  if (HMENU menu = GetSystemMenu(m_hWnd, FALSE); menu != nullptr) {
    wchar_t about[64] = {};
    if (LoadStringW(GetModuleHandleW(nullptr), IDS_ABOUTBOX, about, 64) > 0) {
      AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
      AppendMenuW(menu, MF_STRING, IDM_ABOUTBOX, about);
    }
  }
  SendMessageW(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
  SendMessageW(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hSmallIcon));

  for (int i = 0; i < kComPortCount; ++i) {
    SendDlgItemMessageW(m_hWnd, IDC_PORT, CB_ADDSTRING, 0,
                        reinterpret_cast<LPARAM>(WideFromUtf8(ComPortName(i)).c_str()));
  }
  SendDlgItemMessageW(m_hWnd, IDC_PORT, CB_SETCURSEL, 0, 0);
  OnPortListDropDown();
  ApplyRules();
}

void CBrenvikDlg::OnCommand(int id, int code) {
  switch (id) {
    case IDC_CONNECT:
      if (code == BN_CLICKED) OnConnect();
      return;
    case IDC_SELECT_DB:
      if (code == BN_CLICKED) OnSelectFile(DownloadKind::Db);
      return;
    case IDC_SELECT_MMI:
      if (code == BN_CLICKED) OnSelectFile(DownloadKind::Mmi);
      return;
    case IDC_DOWNLOAD_DB:
      if (code == BN_CLICKED) OnDownload(DownloadKind::Db);
      return;
    case IDC_DOWNLOAD_MMI:
      if (code == BN_CLICKED) OnDownload(DownloadKind::Mmi);
      return;
    case IDC_PORT:
      if (code == CBN_DROPDOWN) OnPortListDropDown();
      return;
    case IDOK: {
      // Enter in the port field presses Connect: whoever typed a port and
      // pressed Enter meant to connect to it, not to close the window.
      const HWND focus = GetFocus();
      const HWND port = Item(IDC_PORT);
      if (focus != nullptr && (focus == port || IsChild(port, focus))) {
        if (IsWindowEnabled(Item(IDC_CONNECT))) OnConnect();
        return;
      }
      OnClose();
      return;
    }
    case IDCANCEL:
      OnClose();
      return;
    default:
      return;
  }
}

void CBrenvikDlg::ApplyRules() {
  const ControlState state = m_controller.Rules().Controls();
  const auto enable = [this](int id, bool enabled) {
    const HWND control = Item(id);
    // A control that is disabled while it (or the port field's edit inside
    // it) has the focus hands it on, as keys sent to a disabled control go
    // nowhere.
    const HWND focus = GetFocus();
    if (!enabled && focus != nullptr && (focus == control || IsChild(control, focus))) {
      SendMessageW(m_hWnd, WM_NEXTDLGCTL, 0, FALSE);
    }
    EnableWindow(control, enabled ? TRUE : FALSE);
  };
  enable(IDC_PORT, state.portEnabled);
  enable(IDC_DOWNLOAD_DB, state.downloadDbEnabled);
  enable(IDC_DOWNLOAD_MMI, state.downloadMmiEnabled);
  SetIfChanged(Item(IDC_CONNECT), state.connectCaption);
}

void CBrenvikDlg::PullControls() {
  WindowFields& fields = m_controller.Fields();
  fields.dbPath = TextOf(Item(IDC_DB_PATH));
  fields.dbStatus = TextOf(Item(IDC_DB_STATUS));
  fields.mmiPath = TextOf(Item(IDC_MMI_PATH));
  fields.mmiStatus = TextOf(Item(IDC_MMI_STATUS));
}

void CBrenvikDlg::PushControls() {
  const WindowFields& fields = m_controller.Fields();
  SetIfChanged(Item(IDC_DB_PATH), fields.dbPath);
  SetIfChanged(Item(IDC_DB_STATUS), fields.dbStatus);
  SetIfChanged(Item(IDC_MMI_PATH), fields.mmiPath);
  SetIfChanged(Item(IDC_MMI_STATUS), fields.mmiStatus);
}

void CBrenvikDlg::ShowMessage(const std::string& text) {
  if (m_showMessage) m_showMessage(text);
}

void CBrenvikDlg::OnPortListDropDown() {
  const HWND combo = Item(IDC_PORT);
  const int index = static_cast<int>(SendMessageW(combo, CB_GETCURSEL, 0, 0));
  const std::string text = TextOf(combo);
  const int presentIndex = index - kComPortCount;
  const std::string chosenPath =
      presentIndex >= 0 && presentIndex < static_cast<int>(m_presentPorts.size())
          ? m_presentPorts[static_cast<std::size_t>(presentIndex)].path
          : std::string();
  for (int i = static_cast<int>(SendMessageW(combo, CB_GETCOUNT, 0, 0)) - 1; i >= kComPortCount;
       --i) {
    SendMessageW(combo, CB_DELETESTRING, static_cast<WPARAM>(i), 0);
  }
  m_presentPorts = PresentPortChoices(m_listPorts ? m_listPorts() : std::vector<PortInfo>());

  // The field keeps its size from the template; the list is as wide as its
  // longest line, so that an adapter can be told by its name.
  const HDC dc = GetDC(combo);
  const HGDIOBJ oldFont =
      SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(combo, WM_GETFONT, 0, 0)));
  LONG widest = 0;
  int again = -1;
  for (std::size_t i = 0; i < m_presentPorts.size(); ++i) {
    const std::wstring label = WideFromUtf8(m_presentPorts[i].label);
    SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(label.c_str()));
    SIZE size{};
    GetTextExtentPoint32W(dc, label.c_str(), static_cast<int>(label.size()), &size);
    widest = std::max(widest, size.cx);
    if (!chosenPath.empty() && m_presentPorts[i].path == chosenPath) {
      again = kComPortCount + static_cast<int>(i);
    }
  }
  SelectObject(dc, oldFont);
  ReleaseDC(combo, dc);
  RECT field{};
  GetWindowRect(combo, &field);
  SendMessageW(combo, CB_SETDROPPEDWIDTH,
               static_cast<WPARAM>(std::max<LONG>(field.right - field.left,
                                                  widest + 2 * GetSystemMetrics(SM_CXVSCROLL))),
               0);

  // What was chosen or typed stays as it was, a port that is still present
  // still chosen.
  if (again >= 0) {
    SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(again), 0);
  } else if (index >= 0 && index < kComPortCount && text == ComPortName(index)) {
    SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
  } else {
    SetWindowTextW(combo, WideFromUtf8(text).c_str());
  }
}

void CBrenvikDlg::OnConnect() {
  const HWND combo = Item(IDC_PORT);
  const int index = static_cast<int>(SendMessageW(combo, CB_GETCURSEL, 0, 0));
  if (!m_controller.OnConnect(PortToOpen(index, TextOf(combo), m_presentPorts))) return;
  // The timer also watches the connected port, so that one that goes away
  // is noticed without a download.
  if (m_controller.Rules().IsConnected()) SetTimer(m_hWnd, kStatusTimer, kTimerPeriodMs, nullptr);
  ApplyRules();
  PushControls();
}

void CBrenvikDlg::OnSelectFile(DownloadKind kind) {
  const std::string path = m_chooseFile ? m_chooseFile(kind) : std::string();
  if (path.empty()) {
    m_controller.OnChoiceCancelled(kind);
    return;
  }
  const std::string warnings = m_controller.OnFileChosen(kind, path);
  PushControls();
  if (!warnings.empty()) ShowMessage(warnings);
}

void CBrenvikDlg::OnDownload(DownloadKind kind) {
  switch (m_controller.OnDownload(kind)) {
    case DownloadPress::FileNotSelected:
      ShowMessage(kFileNotSelected);
      return;
    case DownloadPress::Attempted:
      PullControls();
      SetTimer(m_hWnd, kStatusTimer, kTimerPeriodMs, nullptr);
      ApplyRules();
      PushControls();
      return;
    case DownloadPress::Ignored:
      return;
  }
}

void CBrenvikDlg::OnTimer() {
  PullControls();
  if (m_controller.OnTimer()) ApplyRules();
  PushControls();
  // A port that went away (an adapter pulled) is let go once no download
  // runs, so that it can be connected again under its own name.
  if (const std::optional<std::string> wentAway = m_controller.LetGoOfVanishedPort()) {
    ApplyRules();
    PushControls();
    ShowMessage(*wentAway);
  }
}

bool CBrenvikDlg::OnSysCommand(WPARAM command) {
  if ((command & 0xFFF0) != IDM_ABOUTBOX) return false;
  CAboutDlg about;
  about.DoModal(m_hWnd);
  return true;
}

bool CBrenvikDlg::OnPaint() {
  if (!IsIconic(m_hWnd)) return false;
  PAINTSTRUCT paint{};
  const HDC dc = BeginPaint(m_hWnd, &paint);
  SendMessageW(m_hWnd, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
  const int width = GetSystemMetrics(SM_CXICON);
  const int height = GetSystemMetrics(SM_CYICON);
  RECT client{};
  GetClientRect(m_hWnd, &client);
  DrawIcon(dc, (client.right - client.left - width + 1) / 2,
           (client.bottom - client.top - height + 1) / 2, m_hIcon);
  EndPaint(m_hWnd, &paint);
  return true;
}

void CBrenvikDlg::OnClose() {
  if (!m_bClosingWithoutAsking && !m_controller.MayStopDownload(kAskClose)) return;
  m_controller.Close();
  KillTimer(m_hWnd, kStatusTimer);
  End();
}

void CBrenvikDlg::CloseWithoutAsking() {
  m_bClosingWithoutAsking = true;
  OnClose();
}

void CBrenvikDlg::End() {
  if (m_bModal) {
    EndDialog(m_hWnd, IDCANCEL);
  } else {
    ShowWindow(m_hWnd, SW_HIDE);
  }
}

}  // namespace brenvik::app
