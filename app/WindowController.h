#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/PortChoices.h"
#include "app/StandardConsole.h"
#include "app/TxErrorRelay.h"
#include "app/WindowRules.h"
#include "app/WindowView.h"
#include "download/DownloadContext.h"
#include "download/DownloadRunner.h"
#include "files/DbTable.h"
#include "files/MmiBlock.h"
#include "serial/SerialPort.h"

namespace brenvik::app {

// The main window without its widgets: the port, the files as read, the
// download worker and the window's rules, and what each command of the
// operator and each timer tick does to them and to the window. The Qt and the
// Win32 dialog each hold one and implement the WindowView it drives over their
// controls, so both windows do everything the same way.
class WindowController {
 public:
  // Any thread: makes the UI thread call ShowTxError soon; never waits.
  using WakeUi = std::function<void()>;
  // The serial ports present, listed below COM48.
  using PortLister = std::function<std::vector<PortInfo>()>;

  // view is used from the first command on, not while this is constructed.
  WindowController(WindowView& view, WakeUi wakeUi);
  // Stops a running download and closes the port.
  ~WindowController();
  WindowController(const WindowController&) = delete;
  WindowController& operator=(const WindowController&) = delete;

  const WindowRules& Rules() const { return m_rules; }
  // The state shared with the download worker.
  DownloadContext& Context() { return *m_ctx; }
  void SetPortLister(PortLister lister) { m_listPorts = std::move(lister); }

  // Sets the controls' states as the rules say.
  void ApplyRules();

  // A click on the button id: false when it is none of the buttons below.
  bool OnButton(int id);
  // The operator's commands and timer 1. Connect toggles the connection; a
  // port that will not open says why in a box.
  void OnConnect();
  // The chosen file is read; its fields show its path and its entry count,
  // "OK" or why it was rejected, and a box its warnings.
  void OnSelectFile(DownloadKind kind);
  // Starts the kind's download on a worker, or says its file is not selected.
  void OnDownload(DownloadKind kind);
  // Copies the status texts of the downloads run since Connect into their
  // fields, and lets go of a port that went away once no download runs.
  void OnTimer();
  // The port list drops down: the ports present are listed anew below
  // COM48; what was chosen or typed stays, a port still present still chosen.
  void OnPortListDropDown();
  // Chooses port in the port field as the window opens (--port): a COM name,
  // a port present by its path, or any other path, which is then listed last.
  void ChoosePort(const std::string& port);
  // --job: the job's files read and shown as after a selection, its name in
  // the caption, and both Select buttons disabled, so that only the approved
  // files can be loaded. A job that cannot be read, or a file whose bytes are
  // not the approved ones, is said in a box and the window stays as without.
  void OpenJob(const std::string& jobPath);

  // True when no download runs, or the operator agreed to stop it.
  bool MayStopDownload(const char* question);
  // The window is to close. With ask, a running download is only stopped
  // when the operator agrees to; false when not. Otherwise does as Close,
  // stops the timer too, and returns true.
  bool OnClose(bool ask);
  // The window closes: no box is shown any more, a running download is
  // stopped and the port closed.
  void Close();
  // UI thread, after WakeUi: shows the worker's short-write box.
  void ShowTxError() { m_txErrorRelay.ShowPending(); }

 private:
  // The texts of the four edit fields, as the commands see them: pulled
  // from the window before a command that reads them, pushed back after one
  // that changed them.
  struct Fields {
    std::string dbPath;
    std::string dbStatus;
    std::string mmiPath;
    std::string mmiStatus;
  };

  // True when the connection changed.
  bool Connect(const std::string& portToOpen);
  // Returns the warnings box's text, empty when there is none.
  std::string OnFileChosen(DownloadKind kind, const std::string& path);
  // True when the controls must follow the rules again.
  bool CopyStatusTexts();
  std::optional<std::string> LetGoOfVanishedPort();
  void PullFields();
  void PushFields();
  void EndWorkerAndClosePort();

  WindowView& m_view;
  WakeUi m_wakeUi;
  PortLister m_listPorts;
  // The ports present as last listed below COM48, and the one given on the
  // command line, listed with them.
  std::vector<PortChoice> m_presentPorts;
  std::string m_givenPort;
  // The trace, the entry count, the open report and the warnings.
  StandardConsole m_console;
  // Destroyed last of the download state: a worker may still use the port
  // while it is being stopped.
  SerialPort m_port;
  // Connected, files selected, downloads run, a worker active: what decides
  // which controls may be used.
  WindowRules m_rules;
  // On the heap: the context holds both data images, about 300 KB.
  std::unique_ptr<DownloadContext> m_ctx;
  Fields m_fields;
  // The files as read; a download sends a copy taken when it starts, so a
  // selection during a download changes only what the next one sends.
  std::unique_ptr<DbTable> m_dbImage;
  std::unique_ptr<MmiBlock> m_mmiImage;
  TxErrorRelay m_txErrorRelay;
  // Declared last so it is destroyed first: its worker is joined while the
  // context and the port it uses still exist.
  DownloadRunner m_runner;
};

}  // namespace brenvik::app
