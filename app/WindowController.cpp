#include "app/WindowController.h"

#include <utility>

#include "app/WindowTexts.h"
#include "files/DbFileReader.h"
#include "files/MmiFileReader.h"
#include "serial/PortName.h"

namespace brenvik::app {

WindowController::WindowController(Boxes boxes)
    : m_boxes(std::move(boxes)),
      m_ctx(std::make_unique<DownloadContext>()),
      m_dbImage(std::make_unique<DbTable>()),
      m_mmiImage(std::make_unique<MmiBlock>()),
      m_txErrorRelay(
          [this] {
            if (m_boxes.wakeUi) m_boxes.wakeUi();
          },
          [this](const std::string& text) {
            if (m_boxes.showMessage) m_boxes.showMessage(text);
          },
          m_ctx->stop) {
  m_ctx->link.SetConsole(m_console);
  m_ctx->link.SetTrace(true);
  m_ctx->link.SetTxErrorHandler([this](const char* text) { m_txErrorRelay.ShowAndWait(text); });
}

WindowController::~WindowController() {
  m_txErrorRelay.Close();
  EndWorkerAndClosePort();
}

bool WindowController::OnConnect(const std::string& portToOpen) {
  if (!m_rules.IsConnected()) {
    const Result<> opened = m_port.OpenPort(ParsePortName(portToOpen));
    if (!opened) {
      if (m_boxes.showMessage) m_boxes.showMessage(ConnectFailedText(opened.error()));
      return false;
    }
    m_rules.PortOpened();
    return true;
  }
  // After a click on Download the focus moves on to this button, where a
  // stray Space or Enter must not end the download.
  if (!MayStopDownload(kAskDisconnect)) return false;
  EndWorkerAndClosePort();
  m_rules.PortClosed();
  m_fields.mmiStatus.clear();
  m_fields.dbStatus.clear();
  return true;
}

// A file that was not read whole is not selected; its status names why. The
// warnings of a file that was read go to standard error as well as into the
// box, so that a terminal or a log keeps them.
std::string WindowController::OnFileChosen(DownloadKind kind, const std::string& path) {
  const bool db = kind == DownloadKind::Db;
  const Result<FileWarnings> read = db ? ReadDbFile(*m_dbImage, path.c_str(), m_console)
                                       : ReadMmiFile(*m_mmiImage, path.c_str(), m_console);
  if (read) PrintWarnings(*read, m_console);
  (db ? m_fields.dbPath : m_fields.mmiPath) = path;
  std::string& status = db ? m_fields.dbStatus : m_fields.mmiStatus;
  if (!read) {
    status = "Error: " + read.error();
  } else {
    status = db ? "Total entries is " + std::to_string(m_dbImage->count) : "OK";
  }
  m_rules.FileChosen(kind, read.ok());
  return read ? WarningsBoxText(path, *read) : std::string();
}

void WindowController::OnChoiceCancelled(DownloadKind kind) { m_rules.FileChosen(kind, false); }

DownloadPress WindowController::OnDownload(DownloadKind kind) {
  const bool selected = m_rules.IsFileSelected(kind);
  if (!selected) return DownloadPress::FileNotSelected;
  if (!m_rules.MayStartDownload(kind)) return DownloadPress::Ignored;
  // No download runs now, so the worker's copy can be replaced safely.
  if (kind == DownloadKind::Db) {
    m_ctx->dbTable = *m_dbImage;
  } else {
    m_ctx->mmiBlock = *m_mmiImage;
  }
  // A thread that cannot be started leaves the button usable, to try again.
  if (m_runner.Start(*m_ctx, m_port, kind)) m_rules.DownloadStarted(kind);
  return DownloadPress::Attempted;
}

bool WindowController::OnTimer() {
  // Read before the texts: a worker writes its final text before it clears
  // the flag, so the texts copied below are already the final ones.
  const bool workerEnded = m_rules.IsWorkerActive() && !m_ctx->downloadRunning.load();
  if (m_rules.IsDownloading(DownloadKind::Db)) m_fields.dbStatus = m_ctx->dbStatusText.Text();
  if (m_rules.IsDownloading(DownloadKind::Mmi)) m_fields.mmiStatus = m_ctx->mmiStatusText.Text();
  if (!workerEnded) return false;
  m_runner.Join();
  m_rules.WorkerEnded();
  return true;
}

// The status lines keep the final texts, so that what reached the device
// before the port went away stays readable.
std::optional<std::string> WindowController::LetGoOfVanishedPort() {
  if (!m_rules.IsConnected() || m_rules.IsWorkerActive()) return std::nullopt;
  if (!m_port.WentAway() && !m_port.CheckWentAway()) return std::nullopt;
  const std::string reason = m_port.WentAwayReason();
  EndWorkerAndClosePort();
  m_rules.PortClosed();
  return PortWentAwayText(reason);
}

bool WindowController::MayStopDownload(const char* question) {
  if (!m_ctx->downloadRunning.load()) return true;
  return m_boxes.askQuestion && m_boxes.askQuestion(question);
}

void WindowController::Close() {
  m_txErrorRelay.Close();
  EndWorkerAndClosePort();
  m_rules.PortClosed();
}

// The order matters: with the stop requested first, the worker neither starts
// another frame nor waits on a box; closing the port then ends any write or
// read it is in; only then is it joined. So no worker outlives the connection
// it was started on, and none can be handed a port opened later.
void WindowController::EndWorkerAndClosePort() {
  m_ctx->stop.Request();
  m_txErrorRelay.StopRequested();
  m_port.Close();
  m_runner.Stop();
}

}  // namespace brenvik::app
