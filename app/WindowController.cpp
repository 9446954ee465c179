#include "app/WindowController.h"

#include <algorithm>
#include <utility>

#include "app/Resource.h"
#include "app/WindowTexts.h"
#include "download/JobFile.h"
#include "files/DbFileReader.h"
#include "files/MmiFileReader.h"
#include "serial/PortName.h"

namespace brenvik::app {

WindowController::WindowController(WindowView& view, WakeUi wakeUi)
    : m_view(view),
      m_wakeUi(std::move(wakeUi)),
      m_listPorts(ListPresentPorts),
      m_ctx(std::make_unique<DownloadContext>()),
      m_dbImage(std::make_unique<DbTable>()),
      m_mmiImage(std::make_unique<MmiBlock>()),
      m_txErrorRelay(
          [this] {
            if (m_wakeUi) m_wakeUi();
          },
          [this](const std::string& text) { m_view.ShowMessage(text); }, m_ctx->stop) {
  m_ctx->link.SetConsole(m_console);
  m_ctx->link.SetTrace(true);
  m_ctx->link.SetTxErrorHandler([this](const char* text) { m_txErrorRelay.ShowAndWait(text); });
}

WindowController::~WindowController() {
  m_txErrorRelay.Close();
  EndWorkerAndClosePort();
}

void WindowController::ApplyRules() {
  const ControlState state = m_rules.Controls();
  m_view.EnableControl(IDC_PORT, state.portEnabled);
  m_view.EnableControl(IDC_DOWNLOAD_DB, state.downloadDbEnabled);
  m_view.EnableControl(IDC_DOWNLOAD_MMI, state.downloadMmiEnabled);
  m_view.SetCaption(IDC_CONNECT, state.connectCaption);
}

bool WindowController::OnButton(int id) {
  switch (id) {
    case IDC_CONNECT:
      OnConnect();
      return true;
    case IDC_SELECT_DB:
    case IDC_SELECT_MMI:
      OnSelectFile(id == IDC_SELECT_DB ? DownloadKind::Db : DownloadKind::Mmi);
      return true;
    case IDC_DOWNLOAD_DB:
    case IDC_DOWNLOAD_MMI:
      OnDownload(id == IDC_DOWNLOAD_DB ? DownloadKind::Db : DownloadKind::Mmi);
      return true;
    default:
      return false;
  }
}

void WindowController::OnConnect() {
  const int index = m_view.ChosenPortIndex();
  if (!Connect(PortToOpen(index, m_view.FieldText(IDC_PORT), m_presentPorts))) return;
  // The timer also watches the connected port, so that one that goes away
  // is noticed without a download.
  if (m_rules.IsConnected()) m_view.StartTimer();
  ApplyRules();
  PushFields();
}

void WindowController::OnSelectFile(DownloadKind kind) {
  const std::string path = m_view.ChooseFile(kind);
  if (path.empty()) {
    m_rules.FileChosen(kind, false);
    return;
  }
  const std::string warnings = OnFileChosen(kind, path);
  PushFields();
  if (!warnings.empty()) m_view.ShowMessage(warnings);
}

void WindowController::OnDownload(DownloadKind kind) {
  if (!m_rules.IsFileSelected(kind)) {
    m_view.ShowMessage(kFileNotSelected);
    return;
  }
  if (!m_rules.MayStartDownload(kind)) return;
  // No download runs now, so the worker's copy can be replaced safely.
  if (kind == DownloadKind::Db) {
    m_ctx->dbTable = *m_dbImage;
  } else {
    m_ctx->mmiBlock = *m_mmiImage;
  }
  // A thread that cannot be started leaves the button usable, to try again.
  if (m_runner.Start(*m_ctx, m_port, kind)) m_rules.DownloadStarted(kind);
  PullFields();
  m_view.StartTimer();
  ApplyRules();
  PushFields();
}

void WindowController::OnTimer() {
  PullFields();
  if (CopyStatusTexts()) ApplyRules();
  PushFields();
  // A port that went away (an adapter pulled) is let go once no download
  // runs, so that it can be connected again under its own name.
  if (const std::optional<std::string> wentAway = LetGoOfVanishedPort()) {
    ApplyRules();
    PushFields();
    m_view.ShowMessage(*wentAway);
  }
}

void WindowController::OnPortListDropDown() {
  const int index = m_view.ChosenPortIndex();
  const std::string text = m_view.FieldText(IDC_PORT);
  const int presentIndex = index - kComPortCount;
  const std::string chosenPath =
      presentIndex >= 0 && presentIndex < static_cast<int>(m_presentPorts.size())
          ? m_presentPorts[static_cast<std::size_t>(presentIndex)].path
          : std::string();
  m_presentPorts =
      PresentPortChoices(m_listPorts ? m_listPorts() : std::vector<PortInfo>(), m_givenPort);
  m_view.ListPresentPorts(m_presentPorts);
  const auto again = std::find_if(m_presentPorts.begin(), m_presentPorts.end(),
                                  [&](const PortChoice& port) { return port.path == chosenPath; });
  if (!chosenPath.empty() && again != m_presentPorts.end()) {
    m_view.ChoosePortIndex(kComPortCount + static_cast<int>(again - m_presentPorts.begin()));
  } else if (index >= 0 && index < kComPortCount && text == ComPortName(index)) {
    m_view.ChoosePortIndex(index);
  } else {
    m_view.TypePort(text);
  }
}

void WindowController::ChoosePort(const std::string& port) {
  m_givenPort = port;
  OnPortListDropDown();
  int index = -1;
  for (int i = 0; i < kComPortCount && index < 0; ++i) {
    if (ComPortName(i) == port) index = i;
  }
  for (std::size_t i = 0; i < m_presentPorts.size() && index < 0; ++i) {
    if (m_presentPorts[i].path == port) index = kComPortCount + static_cast<int>(i);
  }
  m_view.ChoosePortIndex(index);
}

void WindowController::OpenJob(const std::string& jobPath) {
  const Result<Job> job = ReadJob(jobPath);
  if (!job) {
    m_view.ShowMessage(job.error());
    return;
  }
  for (const JobEntry& entry : job->files) {
    if (const Result<> approved = VerifyJobFile(jobPath, entry); !approved) {
      m_view.ShowMessage(approved.error());
      return;
    }
  }
  std::vector<std::string> warnings;
  for (const JobEntry& entry : job->files) {
    warnings.push_back(OnFileChosen(entry.kind, JobFilePath(jobPath, entry)));
  }
  PushFields();
  m_view.SetTitle("Brenvik - " + job->name);
  m_view.EnableControl(IDC_SELECT_DB, false);
  m_view.EnableControl(IDC_SELECT_MMI, false);
  for (const std::string& text : warnings) {
    if (!text.empty()) m_view.ShowMessage(text);
  }
}

bool WindowController::Connect(const std::string& portToOpen) {
  if (!m_rules.IsConnected()) {
    const Result<> opened = m_port.OpenPort(ParsePortName(portToOpen));
    if (!opened) {
      m_view.ShowMessage(ConnectFailedText(opened.error()));
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

bool WindowController::CopyStatusTexts() {
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
  return m_view.AskQuestion(question);
}

bool WindowController::OnClose(bool ask) {
  if (ask && !MayStopDownload(kAskClose)) return false;
  Close();
  m_view.StopTimer();
  return true;
}

void WindowController::Close() {
  m_txErrorRelay.Close();
  EndWorkerAndClosePort();
  m_rules.PortClosed();
}

void WindowController::PullFields() {
  m_fields.dbPath = m_view.FieldText(IDC_DB_PATH);
  m_fields.dbStatus = m_view.FieldText(IDC_DB_STATUS);
  m_fields.mmiPath = m_view.FieldText(IDC_MMI_PATH);
  m_fields.mmiStatus = m_view.FieldText(IDC_MMI_STATUS);
}

void WindowController::PushFields() {
  m_view.SetFieldText(IDC_DB_PATH, m_fields.dbPath);
  m_view.SetFieldText(IDC_DB_STATUS, m_fields.dbStatus);
  m_view.SetFieldText(IDC_MMI_PATH, m_fields.mmiPath);
  m_view.SetFieldText(IDC_MMI_STATUS, m_fields.mmiStatus);
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
