#pragma once

#include <QComboBox>
#include <QDialog>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QString>
#include <QTimer>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/PortChoices.h"
#include "app/WindowController.h"
#include "app/qt/PortComboBox.h"
#include "serial/PortList.h"

class QMenu;

namespace brenvik::app {

// The main window in Qt: the port field, the two files with their status
// lines and the buttons that connect and start the downloads. It wires those
// controls to the window's controller, which decides what each command does.
class CBrenvikDlg : public QDialog {
  Q_OBJECT

 public:
  // Returns the chosen file's path, or an empty text when the operator
  // cancelled. nameFilters is a QFileDialog filter list, the default first.
  using FileChooser = std::function<QString(const QString& nameFilters)>;
  // Shows text with one OK button and returns once it was dismissed.
  using MessageBox = std::function<void(const QString& text)>;
  // The serial ports present, listed below COM48.
  using PortLister = std::function<std::vector<PortInfo>()>;
  // Asks a question with Yes and No, No the default; true for Yes.
  using QuestionBox = std::function<bool(const QString& text)>;

  explicit CBrenvikDlg(QWidget* parent = nullptr);
  ~CBrenvikDlg() override;

  // Shows a short-write message a download worker is waiting on; queued to
  // the UI thread by name, so that no object of the worker's making is read
  // here (ThreadSanitizer cannot see Qt's event queue hand it over).
  Q_INVOKABLE void ShowPendingTxError();

  void SetFileChooser(FileChooser chooser) { m_chooseFile = std::move(chooser); }
  void SetMessageBox(MessageBox box) { m_showMessage = std::move(box); }
  void SetQuestionBox(QuestionBox box) { m_askQuestion = std::move(box); }
  void SetPortLister(PortLister lister);

  // The operator's commands; the buttons call these.
  void OnConnect();
  void OnSelectDbFile();
  void OnSelectMmiFile();
  void OnDownloadDb();
  void OnDownloadMmi();
  void OnTimer();
  // The port list drops down: the ports present are listed anew below COM48.
  void OnPortListDropDown();
  // Chooses port in the port field as the window opens (--port): a COM name,
  // a port present by its path, or any other path, which is then listed last.
  void ChoosePort(const std::string& port);
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
  // Sets the controls' states as the rules say.
  void ApplyRules();
  void OnSelectFile(DownloadKind kind);
  void StartDownload(DownloadKind kind);
  void PullControls();
  void PushControls();
  void ShowMessage(const QString& text);
  QString ChooseFile(const QString& nameFilters);

  QIcon m_hIcon;
  QTimer m_timer;  // timer 1: refreshes the status lines every 100 ms
  FileChooser m_chooseFile;
  MessageBox m_showMessage;
  QuestionBox m_askQuestion;
  PortLister m_listPorts;
  // The ports present as last listed below COM48.
  std::vector<PortChoice> m_presentPorts;
  std::string m_givenPort;  // listed with them (--port)
  bool m_bClosingWithoutAsking = false;

  // The controls, in tab order, then the static ones.
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
  QLabel m_lblDbFile;
  QLabel m_lblDbStatus;
  QLabel m_lblPort;
  QLabel m_lblMmiFile;
  QLabel m_lblMmiStatus;
  QLabel m_logo;

  // Declared last so it is destroyed first: a running download is stopped
  // and the port closed while the controls still exist.
  WindowController m_controller;
};

}  // namespace brenvik::app
