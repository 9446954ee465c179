#pragma once

#include "app/WindowTexts.h"
#include "download/DownloadProgress.h"

namespace brenvik::app {

// Which controls of the main window may be used, and what Connect says.
struct ControlState {
  bool portEnabled = true;
  bool downloadDbEnabled = false;
  bool downloadMmiEnabled = false;
  const char* connectCaption = kConnectCaption;
  bool operator==(const ControlState&) const = default;
};

// The window's rules, kept apart from its widgets: told what the operator
// did and what the download worker reports, it says which controls are
// enabled. A download that ran stays disabled until the next Connect or
// Disconnect; while a worker runs, neither download can start.
class WindowRules {
 public:
  // The operator's steps and the worker's reports.
  void PortOpened();
  void PortClosed();  // Disconnect, or the port went away
  void FileChosen(DownloadKind kind, bool selected);
  void DownloadStarted(DownloadKind kind);  // its worker is running
  void WorkerEnded();

  bool IsConnected() const { return m_bConnected; }
  bool IsFileSelected(DownloadKind kind) const { return m_bFileSelected[Slot(kind)]; }
  // From the download's start until the next Connect or Disconnect.
  bool IsDownloading(DownloadKind kind) const { return m_bDownloading[Slot(kind)]; }
  bool IsWorkerActive() const { return m_bWorkerActive; }
  // Connected, with a file, and neither this download since Connect nor a
  // worker running.
  bool MayStartDownload(DownloadKind kind) const;

  ControlState Controls() const;

 private:
  static int Slot(DownloadKind kind) { return kind == DownloadKind::Db ? 0 : 1; }

  bool m_bConnected = false;
  bool m_bEverConnected = false;  // "Connect" at start, "&Connect" after a Disconnect
  bool m_bFileSelected[2] = {false, false};
  bool m_bDownloading[2] = {false, false};
  bool m_bWorkerActive = false;  // started here and not yet seen ending
};

}  // namespace brenvik::app
