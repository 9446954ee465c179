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

#include "app/PortComboBox.h"
#include "app/TxErrorRelay.h"
#include "app/WindowRules.h"
#include "base/Result.h"
#include "download/DownloadContext.h"
#include "download/DownloadRunner.h"
#include "files/DbTable.h"
#include "files/FileWarnings.h"
#include "files/MmiBlock.h"
#include "serial/PortList.h"
#include "serial/SerialPort.h"

class QMenu;

namespace brenvik::app {

// The main window: the port field, the two files with their status lines and
// the buttons that connect and start the downloads. It wires those controls
// to the serial port, the file readers and the download runner; the work
// itself is theirs.
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
  // A command of the window menu: IDM_ABOUTBOX (low four bits ignored) opens
  // the About box; the window manager handles every other command itself.
  void OnSysCommand(unsigned commandId, long param);

  // The window menu (a separator and the About entry), shown on a right click.
  void FillWindowMenu(QMenu& menu);

  // The state shared with the download worker; tests reach the worker's
  // hooks through it.
  DownloadContext& Context() { return *m_ctx; }

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
  void OnPortWentAway();
  void ShowSelection(DownloadKind kind, const QString& path, const Result<FileWarnings>& read,
                     const QString& readStatus);
  void StartDownload(DownloadKind kind);
  void PullControls();
  void PushControls();
  void EndWorkerAndClosePort();
  void ShowMessage(const QString& text);
  void ShowWarnings(const QString& path, const FileWarnings& warnings);
  // True when no download runs, or the operator agreed to stop it.
  bool MayStopDownload(const char* question);
  QString ChooseFile(const QString& nameFilters);

  // Destroyed last of the download state: a worker may still use the port
  // while it is being stopped.
  SerialPort m_port;
  // Connected, files selected, downloads run, a worker active: what decides
  // which controls may be used.
  WindowRules m_rules;
  // On the heap: the context holds both data images, about 300 KB.
  std::unique_ptr<DownloadContext> m_ctx;
  QIcon m_hIcon;
  QString m_strDbPath;
  QString m_strDbStatus;
  QString m_strMmiPath;
  QString m_strMmiStatus;

  // The files as read; a download sends a copy taken when it starts, so a
  // selection during a download changes only what the next one sends.
  std::unique_ptr<DbTable> m_dbImage;
  std::unique_ptr<MmiBlock> m_mmiImage;

  QTimer m_timer;  // timer 1: refreshes the status lines every 100 ms
  FileChooser m_chooseFile;
  MessageBox m_showMessage;
  QuestionBox m_askQuestion;
  PortLister m_listPorts;
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

  TxErrorRelay m_txErrorRelay;
  // Declared last so it is destroyed first: its worker is joined while the
  // context and the port it uses still exist.
  DownloadRunner m_runner;
};

}  // namespace brenvik::app
