#include "tools/load/Loader.h"

#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "base/Result.h"
#include "download/DownloadContext.h"
#include "download/DownloadRunner.h"
#include "files/DataFileKind.h"
#include "files/DbFileReader.h"
#include "files/FileWarnings.h"
#include "files/MmiFileReader.h"
#include "serial/PortKind.h"
#include "serial/PortList.h"
#include "serial/PortName.h"
#include "serial/SerialPort.h"
#include "tools/load/FileDigest.h"
#include "tools/load/LoadLog.h"
#include "tools/load/LoaderConsole.h"
#include "tools/load/OutputChannel.h"
#include "tools/load/PortWatch.h"
#include "tools/load/ProgressDisplay.h"
#include "tools/load/Terminal.h"

namespace brenvik::load {
namespace {

// How often a port's thread looks whether its download has ended or is to stop.
constexpr auto kStatusPoll = std::chrono::milliseconds(20);
constexpr auto kTick = std::chrono::milliseconds(100);
// How long the final texts and the summary may take to reach a reader that lags.
constexpr auto kOutputWait = std::chrono::seconds(2);

// `path` made absolute, both in UTF-8: a std::string path would be taken in
// the ANSI code page on Windows. As given when the working folder is gone.
std::string AbsolutePath(const std::string& path) {
  const std::u8string utf8(path.begin(), path.end());
  std::error_code error;
  const std::u8string absolute = std::filesystem::absolute(utf8, error).u8string();
  return error ? path : std::string(absolute.begin(), absolute.end());
}

// Said on standard error behind a silent device's status text.
constexpr const char* kNoAnswerHint =
    "no answer from the device: check that it is connected, powered and waiting for a download";

// A file as read, for its download and its log record.
struct LoadFile {
  DownloadKind kind = DownloadKind::Db;
  std::string path;  // as given
  std::string sha256;
  std::size_t warnings = 0;
};

// What a refused file's error goes on with when the file looks like the
// other kind: a file given with the wrong option. Empty otherwise.
std::string WrongKindHint(DownloadKind kind, const std::string& path) {
  const DataFileKind looks = GuessDataFileKind(path);
  if (kind == DownloadKind::Db && looks == DataFileKind::Mmi) {
    return "; this looks like an MMI file; give it with -m";
  }
  if (kind == DownloadKind::Mmi && looks == DataFileKind::Db) {
    return "; this looks like a DB file; give it with -d";
  }
  return {};
}

// "db.csv: DB file, 3000 entries, 2 warnings", "mmi.csv: MMI file, readable".
std::string CheckedLine(const LoadFile& file, int entries) {
  std::string line = file.path + ": " + KindName(file.kind) + " file, ";
  line += file.kind == DownloadKind::Db
              ? std::to_string(entries) + (entries == 1 ? " entry" : " entries")
              : std::string("readable");
  if (file.warnings > 0) {
    line += ", " + std::to_string(file.warnings) + (file.warnings == 1 ? " warning" : " warnings");
  }
  return line;
}

// The outcome of one device's downloads.
struct DeviceResult {
  int exitCode = kCompleted;
  std::string text;  // the final status text of the last download
};

// One port's part of the run: its own context (with the tables read once
// copied in), its port and its download worker, and how its devices went.
struct PortRun {
  int index = 0;
  std::string given;  // as on the command line
  PortName name;
  std::string portPath;  // for the log
  std::string portById;
  bool opened = true;    // false: the port would not open
  bool recorded = true;  // false: a record of its downloads could not be written
  int passed = 0;
  int failed = 0;
  int deviceExitCode = kCompleted;  // of its first failed device
  std::string failure;              // that device's final text
  // About 300 KB: too much for the stack.
  std::unique_ptr<DownloadContext> ctx = std::make_unique<DownloadContext>();
  std::unique_ptr<LoaderConsole> console;  // its frame link's trace
  SerialPort port;
  DownloadRunner runner;  // declared after what its worker uses, so it is joined first
  std::thread thread;

  int ExitCode(RepeatMode repeat) const {
    if (!opened) return kPortWillNotOpen;
    if (!recorded) return kUsage;
    if (repeat == RepeatMode::Off) return deviceExitCode;
    return failed == 0 && passed > 0 ? kCompleted : kDownloadFailed;
  }
};

class Station {
 public:
  Station(const LoadOptions& options, const std::atomic<bool>& stop)
      : options_(options),
        stop_(stop),
        mode_(ResolveMode(options)),
        display_(out_, err_, mode_, options.ports) {}

  ~Station() { JoinPorts(); }
  Station(const Station&) = delete;
  Station& operator=(const Station&) = delete;

  int Run() {
    if (options_.check) return Finish(Check());
    const int prepared = Prepare();
    if (prepared != kCompleted) return Finish(prepared);
    if (options_.repeat == RepeatMode::Enter) {
      RunRounds();
    } else {
      StartPorts([this](PortRun& run) {
        if (options_.repeat == RepeatMode::Off) {
          LoadOnce(run);
        } else {
          LoadUntilStopped(run);
        }
      });
      WaitForPorts();
    }
    return Finish(Summarize());
  }

 private:
  static ProgressMode ResolveMode(const LoadOptions& options) {
    // Asked whatever the mode: on Windows the asking readies the console for the bar.
    const bool terminal = TerminalForBar(STDOUT_FILENO);
    if (options.progress != ProgressMode::Auto) return options.progress;
    return terminal && !options.trace ? ProgressMode::Bar : ProgressMode::Lines;
  }

  bool Several() const { return runs_.size() > 1; }

  // Reads every file given and says what each holds; nothing is sent.
  int Check() {
    const bool db = options_.dbFile.empty() || CheckFile(DownloadKind::Db, options_.dbFile);
    const bool mmi = options_.mmiFile.empty() || CheckFile(DownloadKind::Mmi, options_.mmiFile);
    return db && mmi ? kCompleted : kBadFile;
  }

  bool CheckFile(DownloadKind kind, const std::string& path) {
    if (!ReadFile(kind, path)) return false;
    display_.Line(CheckedLine(files_.back(), read_->dbTable.count));
    return true;
  }

  // Opens the log, reads the files once and readies a run per port.
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
    if (!options_.dbFile.empty() && !ReadFile(DownloadKind::Db, options_.dbFile)) return kBadFile;
    if (!options_.mmiFile.empty() && !ReadFile(DownloadKind::Mmi, options_.mmiFile)) {
      return kBadFile;
    }
    for (const std::string& given : options_.ports) {
      auto run = std::make_unique<PortRun>();
      run->index = static_cast<int>(runs_.size());
      run->given = given;
      run->name = ParsePortName(given);
      Ready(*run);
      runs_.push_back(std::move(run));
    }
    return kCompleted;
  }

  // Reads a file into the tables, and hashes the bytes the reader read for
  // the log.
  bool ReadFile(DownloadKind kind, const std::string& path) {
    // "Number of Entries = N" belongs to the lines of the lines mode only.
    LoaderConsole console(display_, ProgressDisplay::kNoPort,
                          mode_ == ProgressMode::Lines && !options_.check);
    std::size_t warnings = 0;
    const Result<std::string> sha256 = DigestOfRead(path, [&]() -> Result<> {
      const Result<FileWarnings> read = kind == DownloadKind::Db
                                            ? ReadDbFile(read_->dbTable, path.c_str(), console)
                                            : ReadMmiFile(read_->mmiBlock, path.c_str(), console);
      if (!read) return Error{read.error() + WrongKindHint(kind, path)};
      for (const std::string& warning : *read) display_.Say(warning);
      warnings = read->size();
      return {};
    });
    if (!sha256) {
      display_.Warn(ProgressDisplay::kNoPort, sha256.error());
      return false;
    }
    files_.push_back({kind, path, *sha256, warnings});
    return true;
  }

  // A port's context: the tables as read, and its worker's output led to the display.
  void Ready(PortRun& run) {
    DownloadContext& ctx = *run.ctx;
    const int index = run.index;
    ctx.dbTable = read_->dbTable;
    ctx.mmiBlock = read_->mmiBlock;
    ctx.maxNaks = options_.maxNaks;
    run.console = std::make_unique<LoaderConsole>(display_, index, false);
    ctx.link.SetConsole(*run.console);
    ctx.link.SetTrace(options_.trace);
    ctx.link.SetTxErrorHandler([this, index](const char* text) { display_.Warn(index, text); });
    const auto changed = [this, index](const DownloadProgress& progress) {
      display_.Changed(index, progress);
    };
    ctx.dbStatusText.SetListener(changed);
    ctx.mmiStatusText.SetListener(changed);
  }

  template <typename Body>
  void StartPorts(Body body) {
    {
      std::lock_guard guard(lock_);
      running_ = static_cast<int>(runs_.size());
    }
    for (const auto& run : runs_) {
      run->thread = std::thread([this, body, &run = *run] {
        body(run);
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
    for (const auto& run : runs_) {
      if (run->thread.joinable()) run->thread.join();
    }
  }

  // The one device on the port.
  void LoadOnce(PortRun& run) {
    const Result<> opened = run.port.OpenPort(run.name);
    if (!opened) {
      // The cause names the port already.
      display_.Warn(ProgressDisplay::kNoPort, opened.error());
      run.opened = false;
      run.failure = "the port would not open";
      return;
    }
    NotePortIdentity(run);
    Count(run, stop_ ? DeviceResult{kDownloadFailed, "stopped before its download began"}
                     : LoadDevice(run));
    run.port.Close();
  }

  // Device after device as the port goes away and comes back.
  void LoadUntilStopped(PortRun& run) {
    const std::string path = WatchedPath(run.name);
    while (!stop_ && !noMoreDevices_) {
      const std::optional<std::string> target = LoadNextDevice(run);
      if (!target) break;
      if (!stop_ && !noMoreDevices_) {
        display_.Warn(run.index,
                      "unplug the device for the next one (its port must go away: a device "
                      "switched off on a port that stays is not seen)");
        WaitUntilGone(run.port, path, *target, stop_);
      }
      run.port.Close();
    }
  }

  // Round after round on every port, one Enter between rounds.
  void RunRounds() {
    for (bool first = true;; first = false) {
      if (!first) {
        if (stop_ || noMoreDevices_) break;
        // An Enter typed while the devices were loading is not this prompt's.
        DiscardTypedInput(STDIN_FILENO);
        display_.Say(Several() ? "Connect the next devices and press Enter (Ctrl-C to stop)"
                               : "Connect the next device and press Enter (Ctrl-C to stop)");
        if (!WaitForEnter(STDIN_FILENO, stop_)) break;
      }
      StartPorts([this](PortRun& run) {
        if (LoadNextDevice(run)) run.port.Close();
      });
      WaitForPorts();
    }
  }

  // Waits for the port, loads the device on it and tells the result; the
  // file the port's path led to, or none when stopped first.
  std::optional<std::string> LoadNextDevice(PortRun& run) {
    display_.Warn(ProgressDisplay::kNoPort, "waiting for " + run.given + " (Ctrl-C to stop)");
    // What the watch tells names the port already.
    const Tell tell = [this](const std::string& text) {
      display_.Warn(ProgressDisplay::kNoPort, text);
    };
    if (!WaitForPort(run.port, run.name, stop_, tell)) return std::nullopt;
    std::string target = NotePortIdentity(run);
    const DeviceResult result = LoadDevice(run);
    Count(run, result);
    display_.Line(run.index,
                  "device " + std::to_string(run.passed + run.failed) + ": " + result.text);
    return target;
  }

  void Count(PortRun& run, const DeviceResult& result) {
    const bool passed = result.exitCode == kCompleted;
    ++(passed ? run.passed : run.failed);
    if (!passed && run.failure.empty()) {
      run.deviceExitCode = result.exitCode;
      run.failure = result.text;
    }
    display_.Counted(run.index, passed);
  }

  // Takes down which device the open port is, for the log; returns the file
  // its path leads to.
  static std::string NotePortIdentity(PortRun& run) {
    const std::string path = WatchedPath(run.name);
    std::string target = PathTarget(path);
    run.portPath = PortLogName(path);
    run.portById =
        path.rfind(std::string(kByIdFolder) + "/", 0) == 0 ? path : ByIdPathFor(run.portPath);
    return target;
  }

  // The downloads of one device on the open port, in order; the first
  // failure ends them. There is at least one file: the options insist.
  DeviceResult LoadDevice(PortRun& run) {
    DeviceResult result;
    for (const LoadFile& file : files_) {
      result = Download(run, file);
      if (result.exitCode != kCompleted) break;
    }
    return result;
  }

  DeviceResult Download(PortRun& run, const LoadFile& file) {
    const bool isDb = file.kind == DownloadKind::Db;
    StatusText& status = isDb ? run.ctx->dbStatusText : run.ctx->mmiStatusText;
    // The progress of the device before must not show as this one's.
    DownloadProgress cleared;
    cleared.kind = file.kind;
    status.Publish(cleared);
    LoadRecord record;
    record.time = LocalTimeIso8601(std::time(nullptr));
    const auto started = std::chrono::steady_clock::now();
    display_.Begin(run.index, file.kind);
    if (!run.runner.Start(*run.ctx, run.port, file.kind)) {
      display_.Warn(run.index, "the download could not be started");
      return {kDownloadFailed, "the download could not be started"};
    }
    while (run.runner.Running()) {
      if (stop_) {
        // Stop joins the worker, which has written its final text by then.
        run.runner.Stop();
        break;
      }
      std::this_thread::sleep_for(kStatusPoll);
    }
    run.runner.Join();
    display_.End(run.index);
    // The status text says only that the device stopped answering; this says why.
    const DownloadProgress progress = status.Progress();
    if (run.port.WentAway()) {
      // The reason names the port.
      display_.Warn(ProgressDisplay::kNoPort, "the port went away: " + run.port.WentAwayReason());
    } else if (progress.outcome == DownloadOutcome::RxTimeout && !progress.answered) {
      display_.Warn(run.index, kNoAnswerHint);
    }

    DeviceResult result{progress.Completed() ? kCompleted : kDownloadFailed,
                        StatusTextOf(progress)};
    if (log_.IsOpen()) {
      record.port = run.portPath;
      record.portById = run.portById;
      record.kind = isDb ? "DB" : "MMI";
      record.file = AbsolutePath(file.path);
      record.sha256 = file.sha256;
      record.entries = isDb ? run.ctx->dbTable.count : 1;
      record.status = result.text;
      record.exitCode = result.exitCode;
      record.seconds =
          std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
      if (const Result<> appended = log_.Append(record); !appended) {
        // Every later device would go unrecorded too: the run ends with it.
        display_.Warn(run.index, appended.error());
        run.recorded = false;
        noMoreDevices_ = true;
      }
    }
    return result;
  }

  // The summary lines; the exit code of the first port that failed.
  int Summarize() {
    display_.Finish();
    int exitCode = kCompleted;
    for (const auto& run : runs_) {
      if (exitCode == kCompleted) exitCode = run->ExitCode(options_.repeat);
    }
    if (options_.repeat == RepeatMode::Off) {
      if (Several()) display_.Line(PortsSummary());
      return exitCode;
    }
    int passed = 0;
    int failed = 0;
    for (const auto& run : runs_) {
      passed += run->passed;
      failed += run->failed;
      if (Several()) display_.Line(run->index, DevicesSummary(run->passed, run->failed));
    }
    display_.Line(Several()
                      ? std::to_string(runs_.size()) + " ports, " + DevicesSummary(passed, failed)
                      : DevicesSummary(passed, failed));
    return exitCode;
  }

  static std::string DevicesSummary(int passed, int failed) {
    const int devices = passed + failed;
    return std::to_string(devices) + (devices == 1 ? " device: " : " devices: ") +
           std::to_string(passed) + " passed, " + std::to_string(failed) + " failed";
  }

  // "4 ports: 3 passed, 1 failed (ttyUSB2: ERR: DB rx timeout! ...)"
  std::string PortsSummary() const {
    int passed = 0;
    std::string failures;
    for (const auto& run : runs_) {
      if (run->ExitCode(options_.repeat) == kCompleted) {
        ++passed;
        continue;
      }
      const std::string name = PortShortName(run->given);
      const std::string why = run->recorded ? run->failure : "its record could not be written";
      failures += failures.empty() ? " (" : "; ";
      failures += name;
      failures += ": ";
      failures += why;
    }
    if (!failures.empty()) failures += ")";
    return std::to_string(runs_.size()) + " ports: " + std::to_string(passed) + " passed, " +
           std::to_string(static_cast<int>(runs_.size()) - passed) + " failed" + failures;
  }

  // Lets the last texts reach their readers, for a while at most.
  int Finish(int exitCode) {
    const auto deadline = std::chrono::steady_clock::now() + kOutputWait;
    out_.Drain(kOutputWait);
    err_.Drain(std::chrono::duration_cast<std::chrono::milliseconds>(std::max(
        deadline - std::chrono::steady_clock::now(), std::chrono::steady_clock::duration{})));
    return exitCode;
  }

  const LoadOptions& options_;
  const std::atomic<bool>& stop_;
  std::atomic<bool> noMoreDevices_{false};  // a record could not be written
  ProgressMode mode_;
  OutputChannel out_{STDOUT_FILENO};
  OutputChannel err_{STDERR_FILENO};
  ProgressDisplay display_;
  LoadLog log_;
  std::vector<LoadFile> files_;
  // The files as read, once for every port.
  std::unique_ptr<DownloadContext> read_ = std::make_unique<DownloadContext>();
  std::mutex lock_;
  std::condition_variable portEnded_;
  int running_ = 0;  // port threads not yet ended
  std::vector<std::unique_ptr<PortRun>> runs_;
};

}  // namespace

int RunLoader(const LoadOptions& options, const std::atomic<bool>& stop) {
  Station station(options, stop);
  return station.Run();
}

}  // namespace brenvik::load
