#include "app/win32/BrenvikDlg.h"

#include <algorithm>

#include "app/Resource.h"
#include "app/win32/AboutDlg.h"
#include "app/win32/OpenFileDialog.h"
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

}  // namespace

CBrenvikDlg::CBrenvikDlg()
    : m_hIcon(LoadIconOfSize(SM_CXICON, SM_CYICON)),
      m_hSmallIcon(LoadIconOfSize(SM_CXSMICON, SM_CYSMICON)),
      // Posted: the box is shown by the UI thread's message loop.
      m_controller(*this, [this] { PostMessageW(m_hWnd, kTxErrorMessage, 0, 0); }) {
  m_chooseFile = [this](DownloadKind kind) { return ChooseFileToOpen(m_hWnd, kind); };
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
      m_controller.OnTimer();
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
      StopTimer();
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
  m_controller.OnPortListDropDown();
  m_controller.ApplyRules();
  if (!m_job.empty()) m_controller.OpenJob(m_job);
}

void CBrenvikDlg::OpenJob(const std::string& job) {
  if (m_hWnd == nullptr) {
    m_job = job;
  } else {
    m_controller.OpenJob(job);
  }
}

void CBrenvikDlg::SetTitle(const std::string& title) {
  SetWindowTextW(m_hWnd, WideFromUtf8(title).c_str());
}

void CBrenvikDlg::OnCommand(int id, int code) {
  if (code == BN_CLICKED && m_controller.OnButton(id)) return;
  switch (id) {
    case IDC_PORT:
      if (code == CBN_DROPDOWN) m_controller.OnPortListDropDown();
      return;
    case IDOK: {
      // Enter in the port field presses Connect: whoever typed a port and
      // pressed Enter meant to connect to it, not to close the window.
      const HWND focus = GetFocus();
      const HWND port = Item(IDC_PORT);
      if (focus != nullptr && (focus == port || IsChild(port, focus))) {
        if (IsWindowEnabled(Item(IDC_CONNECT))) m_controller.OnConnect();
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

std::string CBrenvikDlg::FieldText(int id) { return TextOf(Item(id)); }

void CBrenvikDlg::SetFieldText(int id, const std::string& text) { SetIfChanged(Item(id), text); }

void CBrenvikDlg::EnableControl(int id, bool enabled) {
  const HWND control = Item(id);
  // A control that is disabled while it (or the port field's edit inside
  // it) has the focus hands it on, as keys sent to a disabled control go
  // nowhere.
  const HWND focus = GetFocus();
  if (!enabled && focus != nullptr && (focus == control || IsChild(control, focus))) {
    SendMessageW(m_hWnd, WM_NEXTDLGCTL, 0, FALSE);
  }
  EnableWindow(control, enabled ? TRUE : FALSE);
}

void CBrenvikDlg::ShowMessage(const std::string& text) {
  if (m_showMessage) m_showMessage(text);
}

bool CBrenvikDlg::AskQuestion(const std::string& text) {
  return m_askQuestion && m_askQuestion(text);
}

std::string CBrenvikDlg::ChooseFile(DownloadKind kind) {
  return m_chooseFile ? m_chooseFile(kind) : std::string();
}

void CBrenvikDlg::StartTimer() { SetTimer(m_hWnd, kStatusTimer, kTimerPeriodMs, nullptr); }

void CBrenvikDlg::StopTimer() { KillTimer(m_hWnd, kStatusTimer); }

int CBrenvikDlg::ChosenPortIndex() {
  return static_cast<int>(SendDlgItemMessageW(m_hWnd, IDC_PORT, CB_GETCURSEL, 0, 0));
}

void CBrenvikDlg::ListPresentPorts(const std::vector<PortChoice>& present) {
  const HWND combo = Item(IDC_PORT);
  for (int i = static_cast<int>(SendMessageW(combo, CB_GETCOUNT, 0, 0)) - 1; i >= kComPortCount;
       --i) {
    SendMessageW(combo, CB_DELETESTRING, static_cast<WPARAM>(i), 0);
  }
  // The field keeps its size from the template.
  const HDC dc = GetDC(combo);
  const HGDIOBJ oldFont =
      SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(combo, WM_GETFONT, 0, 0)));
  LONG widest = 0;
  for (const PortChoice& port : present) {
    const std::wstring label = WideFromUtf8(port.label);
    SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(label.c_str()));
    SIZE size{};
    GetTextExtentPoint32W(dc, label.c_str(), static_cast<int>(label.size()), &size);
    widest = std::max(widest, size.cx);
  }
  SelectObject(dc, oldFont);
  ReleaseDC(combo, dc);
  RECT field{};
  GetWindowRect(combo, &field);
  SendMessageW(combo, CB_SETDROPPEDWIDTH,
               static_cast<WPARAM>(std::max<LONG>(field.right - field.left,
                                                  widest + 2 * GetSystemMetrics(SM_CXVSCROLL))),
               0);
}

void CBrenvikDlg::ChoosePortIndex(int index) {
  SendDlgItemMessageW(m_hWnd, IDC_PORT, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

void CBrenvikDlg::TypePort(const std::string& text) {
  SetWindowTextW(Item(IDC_PORT), WideFromUtf8(text).c_str());
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
  if (m_controller.OnClose(!m_bClosingWithoutAsking)) End();
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
