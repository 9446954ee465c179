#include "tools/load/PortSession.h"

#include <chrono>
#include <ctime>

#include "download/StatusText.h"
#include "serial/PortList.h"
#include "tools/load/PortListLine.h"
#include "tools/load/PortWatch.h"
#include "tools/load/RecordIdentity.h"

namespace brenvik::load {
namespace {

// How often a port's thread looks whether its download is to stop.
constexpr auto kStatusPoll = std::chrono::milliseconds(20);

// Said on standard error behind a silent device's status text.
constexpr const char* kNoAnswerHint =
    "no answer from the device: check that it is connected, powered and waiting for a download";

}  // namespace

PortSession::PortSession(int index, const std::string& given, const SessionShared& shared)
    : index_(index),
      name_(ParsePortName(given)),
      shared_(shared),
      console_(shared.display, index, false) {
  tally_.given = given;
  // The tables as read, and the worker's output led to the display.
  DownloadContext& ctx = *ctx_;
  ProgressDisplay& display = shared_.display;
  ctx.dbTable = shared_.files.Db();
  ctx.mmiBlock = shared_.files.Mmi();
  ctx.maxNaks = shared_.options.maxNaks;
  ctx.link.SetTrace(shared_.options.trace);
  ctx.link.SetConsole(console_);
  ctx.link.SetTxErrorHandler([&display, index](const char* text) { display.Warn(index, text); });
  const auto changed = [this, &display, index](const DownloadProgress& progress) {
    display.Changed(index, progress);
    if (progress.phase == DownloadPhase::Ended) {
      const std::lock_guard guard(endLock_);
      downloadEnded_ = true;
      ended_.notify_all();
    }
  };
  ctx.dbStatusText.SetListener(changed);
  ctx.mmiStatusText.SetListener(changed);
}

void PortSession::LoadOnce() {
  const Result<> opened = port_.OpenPort(name_);
  if (!opened) {
    // The cause names the port already.
    shared_.display.Warn(ProgressDisplay::kNoPort, opened.error());
    tally_.opened = false;
    tally_.failure = "the port would not open";
    return;
  }
  NotePortIdentity();
  Count(shared_.stop ? DownloadResult{kDownloadFailed, "stopped before its download began"}
                     : LoadDevice());
  port_.Close();
}

void PortSession::LoadUntilStopped() {
  const std::string path = WatchedPath(name_);
  while (!shared_.stop && !shared_.noMoreDevices) {
    const std::optional<std::string> target = LoadNextDevice();
    if (!target) break;
    if (!shared_.stop && !shared_.noMoreDevices) {
      shared_.display.Warn(index_,
                           "unplug the device for the next one (its port must go away: a device "
                           "switched off on a port that stays is not seen)");
      WaitUntilGone(port_, path, *target, shared_.stop);
    }
    port_.Close();
  }
}

void PortSession::LoadRound() {
  if (LoadNextDevice()) port_.Close();
}

std::optional<std::string> PortSession::LoadNextDevice() {
  ProgressDisplay& display = shared_.display;
  display.Warn(ProgressDisplay::kNoPort, "waiting for " + tally_.given + " (Ctrl-C to stop)");
  // What the watch tells names the port already.
  const WarningSink warn = [&display](const std::string& text) {
    display.Warn(ProgressDisplay::kNoPort, text);
  };
  if (!WaitForPort(port_, name_, shared_.stop, warn)) return std::nullopt;
  std::string target = NotePortIdentity();
  const DownloadResult result = LoadDevice();
  Count(result);
  display.Line(index_,
               "device " + std::to_string(tally_.passed + tally_.failed) + ": " + result.text);
  return target;
}

void PortSession::Count(const DownloadResult& result) {
  const bool passed = result.exitCode == kCompleted;
  ++(passed ? tally_.passed : tally_.failed);
  if (!passed && tally_.failure.empty()) {
    tally_.deviceExitCode = result.exitCode;
    tally_.failure = result.text;
  }
  shared_.display.Counted(index_, passed);
}

std::string PortSession::NotePortIdentity() {
  const std::string path = WatchedPath(name_);
  std::string target = PathTarget(path);
  identity_.path = PortLogName(path);
  identity_.byId =
      path.rfind(std::string(kByIdFolder) + "/", 0) == 0 ? path : ByIdPathFor(identity_.path);
  // The list asks the system of every port: only a log has a use for it.
  const Result<std::vector<PortInfo>> ports =
      shared_.log.IsOpen() ? ListPorts() : Result<std::vector<PortInfo>>(std::vector<PortInfo>{});
  identity_.adapterSerial = ports ? AdapterSerial(*ports, identity_.path) : std::string();
  if (!latencyTold_) {
    const std::string warning = LatencyTimerWarning(path, LatencyTimerOf(path));
    latencyTold_ = !warning.empty();
    if (latencyTold_) shared_.display.Warn(index_, warning);
  }
  return target;
}

// There is at least one file: the options insist.
DownloadResult PortSession::LoadDevice() {
  ++devices_;
  DownloadResult result;
  for (const LoadFile& file : shared_.files.Files()) {
    result = Download(file);
    if (result.exitCode != kCompleted) break;
  }
  return result;
}

DownloadResult PortSession::Download(const LoadFile& file) {
  ProgressDisplay& display = shared_.display;
  StatusText& status = file.kind == DownloadKind::Db ? ctx_->dbStatusText : ctx_->mmiStatusText;
  // The progress of the device before must not show as this one's.
  DownloadProgress cleared;
  cleared.kind = file.kind;
  status.Publish(cleared);
  std::string time = LocalTimeIso8601(std::time(nullptr));
  const auto started = std::chrono::steady_clock::now();
  display.Begin(index_, file.kind);
  {
    const std::lock_guard guard(endLock_);
    downloadEnded_ = false;
  }
  if (!runner_.Start(*ctx_, port_, file.kind)) {
    display.Warn(index_, "the download could not be started");
    return {kDownloadFailed, "the download could not be started"};
  }
  WaitForDownload();
  runner_.Join();
  display.End(index_);
  // The status text says only that the device stopped answering; this says why.
  const DownloadProgress progress = status.Progress();
  if (port_.WentAway()) {
    // The reason names the port.
    display.Warn(ProgressDisplay::kNoPort, "the port went away: " + port_.WentAwayReason());
  } else if (progress.outcome == DownloadOutcome::RxTimeout && !progress.answered) {
    display.Warn(index_, kNoAnswerHint);
  }

  DownloadResult result = ResultOf(progress);
  if (shared_.log.IsOpen()) {
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    const LoadRecord record = DownloadRecord(file, ctx_->dbTable.count, identity_, result,
                                             std::move(time), seconds, shared_.run, devices_);
    if (const Result<> appended = shared_.log.Append(record); !appended) {
      // Every later device would go unrecorded too: the run ends with it.
      display.Warn(index_, appended.error());
      tally_.recorded = false;
      shared_.noMoreDevices = true;
    }
  }
  return result;
}

void PortSession::WaitForDownload() {
  std::unique_lock guard(endLock_);
  // A worker that ended without its final text is seen at the next look.
  while (!ended_.wait_for(guard, kStatusPoll,
                          [this] { return downloadEnded_ || !runner_.Running(); })) {
    if (shared_.stop) {
      guard.unlock();
      // Stop joins the worker, which has written its final text by then.
      runner_.Stop();
      return;
    }
  }
}

}  // namespace brenvik::load
