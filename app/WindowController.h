#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "app/StandardConsole.h"
#include "app/TxErrorRelay.h"
#include "app/WindowRules.h"
#include "download/DownloadContext.h"
#include "download/DownloadRunner.h"
#include "files/DbTable.h"
#include "files/MmiBlock.h"
#include "serial/SerialPort.h"

namespace brenvik::app {

// The texts of the main window's four edit fields, UTF-8: what the fields
// are bound to. A dialog pulls its fields into them before a command that
// reads them and pushes them back after one that changed them.
struct WindowFields {
  std::string dbPath;
  std::string dbStatus;
  std::string mmiPath;
  std::string mmiStatus;
};

// What Download did.
enum class DownloadPress {
  FileNotSelected,  // "File not selected!" is due
  Attempted,        // a worker was started, or could not be: the controls follow the rules again
  Ignored,          // not connected, this download ran since Connect, or another one runs
};

// The main window without its widgets: the port, the files as read, the
// download worker and the window's rules, and what each command of the
// operator and each timer tick does to them. The Qt and the Win32 dialog each
// hold one and only carry texts and states between it and their controls, so
// both windows decide everything the same way.
class WindowController {
 public:
  struct Boxes {
    // UI thread: shows text with one OK button, returns once dismissed.
    std::function<void(const std::string& text)> showMessage;
    // UI thread: asks text with Yes and No, No the default; true for Yes.
    std::function<bool(const std::string& text)> askQuestion;
    // Any thread: makes the UI thread call ShowTxError soon; never waits.
    std::function<void()> wakeUi;
  };

  explicit WindowController(Boxes boxes);
  // Stops a running download and closes the port.
  ~WindowController();
  WindowController(const WindowController&) = delete;
  WindowController& operator=(const WindowController&) = delete;

  const WindowRules& Rules() const { return m_rules; }
  WindowFields& Fields() { return m_fields; }
  // The state shared with the download worker.
  DownloadContext& Context() { return *m_ctx; }

  // Connect or Disconnect pressed; portToOpen is what PortToOpen gave. True
  // when the connection changed; false when the port would not open (its box
  // was shown) or the operator kept a running download.
  bool OnConnect(const std::string& portToOpen);
  // A file chosen (its path, UTF-8) is read; the fields show its path and its
  // entry count, "OK" or why it was rejected. Returns the warnings box's
  // text, empty when there is none; the dialog shows it after its push.
  std::string OnFileChosen(DownloadKind kind, const std::string& path);
  // The file chooser was cancelled: the kind counts as not selected.
  void OnChoiceCancelled(DownloadKind kind);
  // Download pressed.
  DownloadPress OnDownload(DownloadKind kind);
  // Timer 1: copies the status texts of the downloads run since Connect into
  // the fields and takes note of a worker that ended. True when the controls
  // must follow the rules again.
  bool OnTimer();
  // Once no download runs, lets go of a port that went away (an adapter
  // pulled) and returns the box that says so; none while the port is there.
  std::optional<std::string> LetGoOfVanishedPort();
  // True when no download runs, or the operator agreed to stop it.
  bool MayStopDownload(const char* question);
  // The window closes: no box is shown any more, a running download is
  // stopped and the port closed.
  void Close();
  // UI thread, after Boxes::wakeUi: shows the worker's short-write box.
  void ShowTxError() { m_txErrorRelay.ShowPending(); }

 private:
  void EndWorkerAndClosePort();

  Boxes m_boxes;
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
  WindowFields m_fields;
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
