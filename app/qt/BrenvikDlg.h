#pragma once

#include <QComboBox>
#include <QDialog>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QString>
#include <QTimer>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/PortChoices.h"
#include "app/Resource.h"
#include "app/WindowController.h"
#include "app/WindowView.h"
#include "app/qt/PortComboBox.h"

class QMenu;

namespace brenvik::app {

// The main window in Qt: the port field, the two files with their status
// lines and the buttons that connect and start the downloads, placed from the
// main dialog's layout. It is the view that the window's controller drives,
// which decides what each command does.
class CBrenvikDlg : public QDialog, private WindowView {
  Q_OBJECT

 public:
  // Returns the chosen file's path, or an empty text when the operator
  // cancelled. nameFilters is a QFileDialog filter list, the default first.
  using FileChooser = std::function<QString(const QString& nameFilters)>;
  // Shows text with one OK button and returns once it was dismissed.
  using MessageBoxHook = std::function<void(const QString& text)>;
  // Asks a question with Yes and No, No the default; true for Yes.
  using QuestionBoxHook = std::function<bool(const QString& text)>;

  explicit CBrenvikDlg(QWidget* parent = nullptr);
  ~CBrenvikDlg() override;

  // Shows a short-write message a download worker is waiting on; queued to
  // the UI thread by name, so that no object of the worker's making is read
  // here (ThreadSanitizer cannot see Qt's event queue hand it over).
  Q_INVOKABLE void ShowPendingTxError() { m_controller.ShowTxError(); }

  void SetFileChooser(FileChooser chooser) { m_chooseFile = std::move(chooser); }
  void SetMessageBox(MessageBoxHook box) { m_showMessage = std::move(box); }
  void SetQuestionBox(QuestionBoxHook box) { m_askQuestion = std::move(box); }
  void SetPortLister(WindowController::PortLister lister) {
    m_controller.SetPortLister(std::move(lister));
    m_controller.OnPortListDropDown();
  }

  // The operator's commands, as the buttons give them.
  void OnConnect() { m_controller.OnConnect(); }
  void OnDownloadDb() { m_controller.OnDownload(DownloadKind::Db); }
  void OnDownloadMmi() { m_controller.OnDownload(DownloadKind::Mmi); }
  void OnTimer() { m_controller.OnTimer(); }
  // The port list drops down: the ports present are listed anew below COM48.
  void OnPortListDropDown() { m_controller.OnPortListDropDown(); }
  // Chooses port in the port field as the window opens (--port): a COM name,
  // a port present by its path, or any other path, which is then listed last.
  void ChoosePort(const std::string& port) { m_controller.ChoosePort(port); }
  void OpenJob(const std::string& job) { m_controller.OpenJob(job); }
  // A command of the window menu: IDM_ABOUTBOX (low four bits ignored) opens
  // the About box; the window manager handles every other command itself.
  void OnSysCommand(unsigned commandId, long param);

  // The window menu (a separator and the About entry), shown on a right click.
  void FillWindowMenu(QMenu& menu);

  // The state shared with the download worker; tests reach the worker's
  // hooks through it.
  DownloadContext& Context() { return m_controller.Context(); }

  // Closing the window by any way (close box, Alt+F4, Escape, Enter) ends up
  // here. While a download runs the operator is asked first, and No keeps the
  // window and the download; otherwise the download is stopped and the port
  // closed before the window goes.
  void done(int result) override;
  // Closes the window without asking (the program was told to end by a
  // signal): boxes still open are dismissed, a running download stopped and
  // the port closed.
  void CloseWithoutAsking();

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void changeEvent(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void CreateControls();
  void LayOutControls();
  QWidget& Control(int id) { return *m_controls[static_cast<std::size_t>(id - IDC_PORT)]; }

  std::string FieldText(int id) override;
  void SetFieldText(int id, const std::string& text) override;
  void EnableControl(int id, bool enabled) override { Control(id).setEnabled(enabled); }
  void SetCaption(int id, const char* caption) override;
  void SetTitle(const std::string& title) override {
    setWindowTitle(QString::fromStdString(title));
  }
  void ShowMessage(const std::string& text) override;
  bool AskQuestion(const std::string& text) override;
  std::string ChooseFile(DownloadKind kind) override;
  void StartTimer() override { m_timer.start(); }
  void StopTimer() override { m_timer.stop(); }
  int ChosenPortIndex() override { return m_cbPort.currentIndex(); }
  void ListPresentPorts(const std::vector<PortChoice>& present) override;
  void ChoosePortIndex(int index) override { m_cbPort.setCurrentIndex(index); }
  void TypePort(const std::string& text) override;

  QIcon m_hIcon;
  QTimer m_timer;  // timer 1: refreshes the status lines every 100 ms
  FileChooser m_chooseFile;
  MessageBoxHook m_showMessage;
  QuestionBoxHook m_askQuestion;
  bool m_bClosingWithoutAsking = false;

  // The controls, in tab order.
  PortComboBox m_cbPort;
  QLineEdit m_editDbPath;
  QLineEdit m_editDbStatus;
  QPushButton m_btnSelectDb;
  QPushButton m_btnDownloadDb;
  QPushButton m_btnConnect;
  QLineEdit m_editMmiPath;
  QPushButton m_btnSelectMmi;
  QLineEdit m_editMmiStatus;
  QPushButton m_btnDownloadMmi;
  // By id, from IDC_PORT on.
  std::array<QWidget*, 10> m_controls;
  // The labels and the logo, made from the layout.
  std::vector<std::unique_ptr<QLabel>> m_statics;

  // Declared last so it is destroyed first: a running download is stopped
  // and the port closed while the controls still exist.
  WindowController m_controller;
};

}  // namespace brenvik::app
