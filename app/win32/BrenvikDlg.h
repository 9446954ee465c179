#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "app/PortChoices.h"
#include "app/WindowController.h"
#include "app/WindowView.h"

namespace brenvik::app {

// The main window on Windows: the dialog template IDD_MAIN of the program's
// resources, laid out in dialog units by the system itself, its controls
// found by their ids. It is the view that the window's controller drives,
// which decides what each command does.
class CBrenvikDlg : private WindowView {
 public:
  // Returns the chosen file's path (UTF-8), or an empty text when the
  // operator cancelled.
  using FileChooser = std::function<std::string(DownloadKind kind)>;
  // Shows text with one OK button and returns once it was dismissed.
  using MessageBoxHook = std::function<void(const std::string& text)>;
  // Asks a question with Yes and No, No the default; true for Yes.
  using QuestionBoxHook = std::function<bool(const std::string& text)>;

  CBrenvikDlg();
  ~CBrenvikDlg();
  CBrenvikDlg(const CBrenvikDlg&) = delete;
  CBrenvikDlg& operator=(const CBrenvikDlg&) = delete;

  void SetFileChooser(FileChooser chooser) { m_chooseFile = std::move(chooser); }
  void SetMessageBox(MessageBoxHook box) { m_showMessage = std::move(box); }
  void SetQuestionBox(QuestionBoxHook box) { m_askQuestion = std::move(box); }
  void SetPortLister(WindowController::PortLister lister) {
    m_controller.SetPortLister(std::move(lister));
  }

  // Runs the window modally until it is closed.
  void DoModal();
  // Opens the job once the window exists: at once, or as it is made.
  void OpenJob(const std::string& job);
  // Creates the window for a caller that runs the message loop itself (the
  // tests); closing it then only hides it. Null when it could not be made.
  HWND Create();
  HWND Handle() const { return m_hWnd; }

  // The state shared with the download worker.
  DownloadContext& Context() { return m_controller.Context(); }

  // Closes the window without asking (the Windows session ends): a running
  // download is stopped and the port released before the window goes.
  void CloseWithoutAsking();

 private:
  static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam);

  void OnInitDialog();
  void OnCommand(int id, int code);
  // IDM_ABOUTBOX (low four bits ignored) opens the About box; false for every
  // other command, which the system handles.
  bool OnSysCommand(WPARAM command);
  // Draws the icon in a minimized window; false when the window is not.
  bool OnPaint();
  // Escape, Enter outside a button and the close box.
  void OnClose();
  void End();
  HWND Item(int id) const { return GetDlgItem(m_hWnd, id); }

  std::string FieldText(int id) override;
  void SetFieldText(int id, const std::string& text) override;
  void EnableControl(int id, bool enabled) override;
  void SetCaption(int id, const char* caption) override { SetFieldText(id, caption); }
  void SetTitle(const std::string& title) override;
  void ShowMessage(const std::string& text) override;
  bool AskQuestion(const std::string& text) override;
  std::string ChooseFile(DownloadKind kind) override;
  void StartTimer() override;
  void StopTimer() override;
  int ChosenPortIndex() override;
  void ListPresentPorts(const std::vector<PortChoice>& present) override;
  void ChoosePortIndex(int index) override;
  void TypePort(const std::string& text) override;

  HWND m_hWnd = nullptr;
  bool m_bModal = false;
  std::string m_job;  // opened as the window is made
  bool m_bClosingWithoutAsking = false;
  HICON m_hIcon;
  HICON m_hSmallIcon;
  FileChooser m_chooseFile;
  MessageBoxHook m_showMessage;
  QuestionBoxHook m_askQuestion;

  // Declared last so it is destroyed first: a running download is stopped
  // and the port closed before anything it reports to goes.
  WindowController m_controller;
};

}  // namespace brenvik::app
