#include "app/WindowRules.h"

namespace brenvik::app {

void WindowRules::PortOpened() {
  m_bConnected = true;
  m_bEverConnected = true;
  m_bDownloading[0] = m_bDownloading[1] = false;
}

void WindowRules::PortClosed() {
  m_bConnected = false;
  m_bDownloading[0] = m_bDownloading[1] = false;
  m_bWorkerActive = false;
}

void WindowRules::FileChosen(DownloadKind kind, bool selected) {
  m_bFileSelected[Slot(kind)] = selected;
}

void WindowRules::DownloadStarted(DownloadKind kind) {
  m_bDownloading[Slot(kind)] = true;
  m_bWorkerActive = true;
}

void WindowRules::WorkerEnded() { m_bWorkerActive = false; }

bool WindowRules::MayStartDownload(DownloadKind kind) const {
  return m_bConnected && IsFileSelected(kind) && !IsDownloading(kind) && !m_bWorkerActive;
}

ControlState WindowRules::Controls() const {
  ControlState state;
  state.portEnabled = !m_bConnected;
  state.downloadDbEnabled = m_bConnected && !m_bWorkerActive && !IsDownloading(DownloadKind::Db);
  state.downloadMmiEnabled = m_bConnected && !m_bWorkerActive && !IsDownloading(DownloadKind::Mmi);
  state.connectCaption = m_bConnected       ? kDisconnectCaption
                         : m_bEverConnected ? kConnectAgainCaption
                                            : kConnectCaption;
  return state;
}

}  // namespace brenvik::app
