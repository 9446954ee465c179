#include "tools/load/Loader.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <ctime>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "base/Result.h"
#include "download/JobFile.h"
#include "res/Version.h"
#include "serial/PortKind.h"
#include "serial/PortName.h"
#include "tools/load/FileSet.h"
#include "tools/load/LoadLog.h"
#include "tools/load/OutputChannel.h"
#include "tools/load/PortSession.h"
#include "tools/load/PortWatch.h"
#include "tools/load/ProgressDisplay.h"
#include "tools/load/RecordIdentity.h"
#include "tools/load/RecordPublisher.h"
#include "tools/load/RunSummary.h"
#include "tools/load/Terminal.h"

namespace brenvik::load {
namespace {

// How often the main thread redraws the bar lines while the ports load.
constexpr auto kTick = std::chrono::milliseconds(100);
// How long the final texts and the summary may take to reach a reader that lags.
constexpr auto kOutputWait = std::chrono::seconds(2);
// How long the end of a run waits for the broker to acknowledge what waits.
constexpr auto kPublishWait = std::chrono::seconds(5);

ProgressMode ResolveMode(const LoadOptions& options) {
  // Asked whatever the mode: on Windows the asking readies the console for the bar.
  const bool terminal = TerminalForBar(STDOUT_FILENO);
  if (options.progress != ProgressMode::Auto) return options.progress;
  return terminal && !options.trace ? ProgressMode::Bar : ProgressMode::Lines;
}

// One run of the loader: the log and the files first, then a session per
// port on a thread of its own, then the summary.
class LoaderRun {
 public:
  LoaderRun(const LoadOptions& options, const std::atomic<bool>& stop)
      : options_(options),
        stop_(stop),
        mode_(ResolveMode(options)),
        display_(out_, err_, mode_, options.ports),
        files_(options_, mode_, display_) {}

  ~LoaderRun() { JoinPorts(); }
  LoaderRun(const LoaderRun&) = delete;
  LoaderRun& operator=(const LoaderRun&) = delete;

  int Run() {
    if (!options_.makeJob.empty()) return Finish(MakeJob());
    if (options_.check) {
      // --check --job: the job's files, verified, then checked.
      if (!options_.job.empty() && !TakeJob()) return Finish(kBadFile);
      return Finish(files_.Check());
    }
    const int prepared = Prepare();
    if (prepared != kCompleted) return Finish(prepared);
    if (options_.repeat == RepeatMode::Enter) {
      RunRounds();
    } else {
      StartPorts([this](PortSession& session) {
        if (options_.repeat == RepeatMode::Off) {
          session.LoadOnce();
        } else {
          session.LoadUntilStopped();
        }
      });
      WaitForPorts();
    }
    const int exitCode = Summarize();
    FinishPublishing();
    return Finish(exitCode);
  }

 private:
  // Opens the log, reads the files once and readies a session per port.
  int Prepare() {
    for (const std::string& given : options_.ports) {
      // A built-in port never goes away: plain --repeat would wait for ever.
      if (options_.repeat == RepeatMode::PortCycle &&
          IsBuiltInPort(PortPath(ParsePortName(given)))) {
        display_.Warn(ProgressDisplay::kNoPort, BuiltInRepeatAdvice(given));
        return kUsage;
      }
    }
    if (!options_.logFile.empty()) {
      if (const Result<> opened = log_.Open(options_.logFile); !opened) {
        display_.Warn(ProgressDisplay::kNoPort, opened.error());
        return kUsage;
      }
    }
    if (!options_.publishUrl.empty()) {
      if (const Result<> started = StartPublishing(); !started) {
        display_.Warn(ProgressDisplay::kNoPort, started.error());
        return kUsage;
      }
    }
    if (!options_.job.empty() && !TakeJob()) return kBadFile;
    if (!files_.ReadAll() || !ReadAsApproved()) return kBadFile;
    identity_ = {RandomUuid(), options_.station.empty() ? HostName() : options_.station,
                 options_.operatorName, job_.name, job_.sha256};
    const SessionShared shared{options_, stop_, noMoreDevices_, display_, files_, log_, identity_};
    for (const std::string& given : options_.ports) {
      sessions_.push_back(
          std::make_unique<PortSession>(static_cast<int>(sessions_.size()), given, shared));
    }
    return kCompleted;
  }

  // --job: the job's files in place of -d and -m, each as approved.
  bool TakeJob() {
    Result<Job> read = ReadJob(options_.job);
    if (!read) {
      display_.Warn(ProgressDisplay::kNoPort, read.error());
      return false;
    }
    job_ = std::move(*read);
    for (const JobEntry& entry : job_.files) {
      if (const Result<> same = VerifyJobFile(options_.job, entry); !same) {
        display_.Warn(ProgressDisplay::kNoPort, same.error());
        return false;
      }
      (entry.kind == DownloadKind::Db ? options_.dbFile : options_.mmiFile) =
          JobFilePath(options_.job, entry);
    }
    return true;
  }

  // Whether the bytes read are still the job's: a file replaced after the
  // check is refused too.
  bool ReadAsApproved() {
    for (const JobEntry& entry : job_.files) {
      for (const LoadFile& file : files_.Files()) {
        if (file.kind == entry.kind && file.sha256 != entry.sha256) {
          display_.Warn(ProgressDisplay::kNoPort,
                        JobMismatchText(file.path, options_.job, file.sha256, entry.sha256));
          return false;
        }
      }
    }
    return true;
  }

  // --make-job: the files checked, then the job that approves them.
  int MakeJob() {
    if (files_.Check() != kCompleted) return kBadFile;
    Job job{options_.jobName.empty() ? DefaultJobName(options_.makeJob) : options_.jobName,
            LocalTimeIso8601(std::time(nullptr)),
            kVersion,
            {},
            {}};
    bool approved = true;
    for (const LoadFile& file : files_.Files()) {
      if (file.warnings > 0 && !options_.acceptWarnings) {
        display_.Warn(ProgressDisplay::kNoPort,
                      file.path + " has warnings; give --accept-warnings to approve it as it is");
        approved = false;
      }
      job.files.push_back(ApprovedEntry(options_.makeJob, file.kind, file.path, file.sha256,
                                        file.kind == DownloadKind::Db ? files_.Db().count : 1,
                                        file.warnings));
    }
    if (!approved) return kBadFile;
    if (const Result<> written = WriteJob(options_.makeJob, job); !written) {
      display_.Warn(ProgressDisplay::kNoPort, written.error());
      return kUsage;
    }
    display_.Line(options_.makeJob + ": job " + job.name + " written");
    return kCompleted;
  }

  // The broker of --publish, sent what the log holds as it grows.
  Result<> StartPublishing() {
    std::string password;
    if (!options_.publishPasswordFile.empty()) {
      Result<std::string> read = ReadPasswordFile(options_.publishPasswordFile);
      if (!read) return Error{read.error()};
      password = std::move(*read);
    }
    Result<BrokerAddress> broker = ParseBrokerAddress(options_.publishUrl);
    if (!broker) return Error{broker.error()};
    brokerName_ = broker->Name();
    publisher_ = std::make_unique<RecordPublisher>(
        std::move(*broker), std::move(password),
        [this](const std::string& text) { display_.Warn(ProgressDisplay::kNoPort, text); });
    return publisher_->Start(options_.logFile);
  }

  void FinishPublishing() {
    if (!publisher_) return;
    const std::size_t waiting = publisher_->Finish(kPublishWait);
    if (waiting == 0) return;
    display_.Warn(ProgressDisplay::kNoPort,
                  brokerName_ + ": " + std::to_string(waiting) +
                      (waiting == 1 ? " record" : " records") +
                      " still waiting; the next run with this log sends them");
  }

  template <typename Body>
  void StartPorts(Body body) {
    {
      std::lock_guard guard(lock_);
      running_ = static_cast<int>(sessions_.size());
    }
    for (const auto& session : sessions_) {
      threads_.emplace_back([this, body, &session = *session] {
        body(session);
        std::lock_guard guard(lock_);
        --running_;
        portEnded_.notify_all();
      });
    }
  }

  // Keeps the bar lines up to date until every port's thread has ended.
  void WaitForPorts() {
    std::unique_lock guard(lock_);
    while (running_ > 0) {
      portEnded_.wait_for(guard, kTick);
      guard.unlock();
      display_.Tick();
      guard.lock();
    }
    guard.unlock();
    JoinPorts();
  }

  void JoinPorts() {
    for (std::thread& thread : threads_) {
      if (thread.joinable()) thread.join();
    }
    threads_.clear();
  }

  // Round after round on every port, one Enter between rounds.
  void RunRounds() {
    for (bool first = true;; first = false) {
      if (!first) {
        if (stop_ || noMoreDevices_) break;
        // An Enter typed while the devices were loading is not this prompt's.
        DiscardTypedInput(STDIN_FILENO);
        display_.Say(sessions_.size() > 1
                         ? "Connect the next devices and press Enter (Ctrl-C to stop)"
                         : "Connect the next device and press Enter (Ctrl-C to stop)");
        if (!WaitForEnter(STDIN_FILENO, stop_)) break;
      }
      StartPorts([](PortSession& session) { session.LoadRound(); });
      WaitForPorts();
    }
  }

  // The summary lines; the exit code of the first port that failed.
  int Summarize() {
    display_.Finish();
    std::vector<PortTally> tallies;
    for (const auto& session : sessions_) tallies.push_back(session->Tally());
    const RunSummary summary = SummarizeRun(tallies, options_.repeat);
    for (const RunSummary::Line& line : summary.lines) display_.Line(line.port, line.text);
    return summary.exitCode;
  }

  // Lets the last texts reach their readers, for a while at most.
  int Finish(int exitCode) {
    const auto deadline = std::chrono::steady_clock::now() + kOutputWait;
    out_.Drain(kOutputWait);
    err_.Drain(std::chrono::duration_cast<std::chrono::milliseconds>(std::max(
        deadline - std::chrono::steady_clock::now(), std::chrono::steady_clock::duration{})));
    return exitCode;
  }

  LoadOptions options_;   // --job puts the job's files in
  Job job_;               // --job: the job as read
  RunIdentity identity_;  // what every record says of the run
  const std::atomic<bool>& stop_;
  std::atomic<bool> noMoreDevices_{false};  // a record could not be written
  ProgressMode mode_;
  OutputChannel out_{STDOUT_FILENO};
  OutputChannel err_{STDERR_FILENO};
  ProgressDisplay display_;
  FileSet files_;
  LoadLog log_;
  std::string brokerName_;
  std::unique_ptr<RecordPublisher> publisher_;  // after the display its warnings go to
  std::mutex lock_;
  std::condition_variable portEnded_;
  int running_ = 0;  // port threads not yet ended
  std::vector<std::unique_ptr<PortSession>> sessions_;
  std::vector<std::thread> threads_;  // last: joined before the sessions they run go
};

}  // namespace

int RunLoader(const LoadOptions& options, const std::atomic<bool>& stop) {
  LoaderRun run(options, stop);
  return run.Run();
}

}  // namespace brenvik::load
