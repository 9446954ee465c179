#include "tools/load/Loader.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "base/Result.h"
#include "download/DownloadContext.h"
#include "download/DownloadRunner.h"
#include "files/DbFileReader.h"
#include "files/FileWarnings.h"
#include "files/MmiFileReader.h"
#include "serial/PortList.h"
#include "serial/PortName.h"
#include "serial/SerialPort.h"
#include "tools/load/FileDigest.h"
#include "tools/load/LoadLog.h"
#include "tools/load/OutputChannel.h"
#include "tools/load/PortWatch.h"
#include "tools/load/ProgressDisplay.h"
#include "tools/load/Terminal.h"

namespace brenvik::load {
namespace {

constexpr auto kStatusPoll = std::chrono::milliseconds(10);

void Warn(const std::string& text) {
  const std::string line = "brenvik-load: " + text + "\n";
  std::fputs(line.c_str(), stderr);
}

// `path` made absolute, both in UTF-8: a std::string path would be taken in
// the ANSI code page on Windows. As given when the working folder is gone.
std::string AbsolutePath(const std::string& path) {
  const std::u8string utf8(path.begin(), path.end());
  std::error_code error;
  const std::u8string absolute = std::filesystem::absolute(utf8, error).u8string();
  return error ? path : std::string(absolute.begin(), absolute.end());
}

// A file as read, for its download and its log record.
struct LoadFile {
  DownloadKind kind = DownloadKind::Db;
  std::string path;  // as given
  std::string sha256;
};

// The outcome of one device's downloads.
struct DeviceResult {
  int exitCode = kCompleted;
  std::string text;  // the final status text of the last download
};

class Loader {
 public:
  Loader(const LoadOptions& options, const std::atomic<bool>& stop)
      : options_(options),
        stop_(stop),
        mode_(ResolveMode(options)),
        out_(STDOUT_FILENO),
        display_(out_, mode_),
        portName_(ParsePortName(options.ports.front())) {
    ctx_->link.SetTrace(options.trace);
    ctx_->link.SetTraceSink(
        [this](const uint8_t* frame, std::size_t size) { display_.Frame(frame, size); });
    ctx_->link.SetTxErrorHandler([](const char* text) { Warn(text); });
    ctx_->maxNaks = options.maxNaks;
  }

  int Run() {
    if (!options_.logFile.empty()) {
      if (const Result<> opened = log_.Open(options_.logFile); !opened) {
        Warn(opened.error());
        return kUsage;
      }
    }
    if (!options_.dbFile.empty() && !ReadFile(DownloadKind::Db, options_.dbFile)) return kBadFile;
    if (!options_.mmiFile.empty() && !ReadFile(DownloadKind::Mmi, options_.mmiFile)) {
      return kBadFile;
    }
    return options_.repeat == RepeatMode::Off ? RunOnce() : RunRepeat();
  }

 private:
  static ProgressMode ResolveMode(const LoadOptions& options) {
    // Asked whatever the mode: on Windows the asking readies the console for the bar.
    const bool terminal = TerminalForBar(STDOUT_FILENO);
    if (options.progress != ProgressMode::Auto) return options.progress;
    return terminal && !options.trace ? ProgressMode::Bar : ProgressMode::Lines;
  }

  // Reads a file into the context, and hashes the bytes the reader read for
  // the log.
  bool ReadFile(DownloadKind kind, const std::string& path) {
    const Result<std::string> sha256 = DigestOfRead(path, [&]() -> Result<> {
      const Result<FileWarnings> read = [&] {
        // "Number of Entries = N" belongs to the lines of the lines mode only.
        const MutedStdout muted(mode_ != ProgressMode::Lines);
        return kind == DownloadKind::Db ? ReadDbFile(ctx_->dbTable, path.c_str())
                                        : ReadMmiFile(ctx_->mmiBlock, path.c_str());
      }();
      if (!read) return Error{read.error()};
      PrintWarnings(*read);
      return {};
    });
    if (!sha256) {
      Warn(sha256.error());
      return false;
    }
    files_.push_back({kind, path, *sha256});
    return true;
  }

  int RunOnce() {
    const Result<> opened = port_.OpenPort(portName_);
    if (!opened) {
      Warn("cannot open port " + options_.ports.front() + ": " + opened.error());
      return kPortWillNotOpen;
    }
    NotePortIdentity();
    const DeviceResult result = stop_ ? DeviceResult{kDownloadFailed, {}} : LoadDevice();
    port_.Close();
    return result.exitCode;
  }

  int RunRepeat() {
    const std::string path = WatchedPath(portName_);
    int passed = 0;
    int failed = 0;
    while (!stop_) {
      if (options_.repeat == RepeatMode::Enter && passed + failed > 0) {
        std::fputs("Connect the next device and press Enter (Ctrl-C to stop)\n", stderr);
        if (!WaitForEnter(STDIN_FILENO, stop_)) break;
      }
      Warn("waiting for " + options_.ports.front() + " (Ctrl-C to stop)");
      if (!WaitForPort(port_, portName_, stop_, Warn)) break;
      const std::string target = NotePortIdentity();
      const DeviceResult result = LoadDevice();
      ++(result.exitCode == kCompleted ? passed : failed);
      display_.Line("device " + std::to_string(passed + failed) + ": " + result.text);
      if (options_.repeat == RepeatMode::PortCycle && !stop_) {
        Warn("unplug or power off the device for the next one");
        WaitUntilGone(port_, path, target, stop_);
      }
      port_.Close();
    }
    const int devices = passed + failed;
    display_.Line(std::to_string(devices) + (devices == 1 ? " device: " : " devices: ") +
                  std::to_string(passed) + " passed, " + std::to_string(failed) + " failed");
    return failed == 0 && passed > 0 ? kCompleted : kDownloadFailed;
  }

  // Takes down which device the open port is, for the log; returns the file
  // its path leads to.
  std::string NotePortIdentity() {
    const std::string path = WatchedPath(portName_);
    std::string target = PathTarget(path);
    portPath_ = PortLogName(path);
    portById_ = path.rfind(std::string(kByIdFolder) + "/", 0) == 0 ? path : ByIdPathFor(portPath_);
    return target;
  }

  // The downloads of one device on the open port, in order; the first
  // failure ends them. There is at least one file: the options insist.
  DeviceResult LoadDevice() {
    DeviceResult result;
    for (const LoadFile& file : files_) {
      result = Download(file);
      if (result.exitCode != kCompleted) break;
    }
    return result;
  }

  DeviceResult Download(const LoadFile& file) {
    const bool isDb = file.kind == DownloadKind::Db;
    StatusText& status = isDb ? ctx_->dbStatusText : ctx_->mmiStatusText;
    // The progress of the device before must not show as this one's.
    DownloadProgress cleared;
    cleared.kind = file.kind;
    status.Publish(cleared);
    LoadRecord record;
    record.time = LocalTimeIso8601(std::time(nullptr));
    const auto started = std::chrono::steady_clock::now();
    display_.Begin(file.kind, status);
    if (!runner_.Start(*ctx_, port_, file.kind)) {
      Warn("the download could not be started");
      return {kDownloadFailed, "the download could not be started"};
    }
    while (runner_.Running()) {
      if (stop_) {
        // Stop joins the worker, which has written its final text by then.
        runner_.Stop();
        break;
      }
      display_.Poll();
      std::this_thread::sleep_for(kStatusPoll);
    }
    runner_.Join();
    display_.End();
    // The status text says only that the device stopped answering; this says why.
    if (port_.WentAway()) Warn("the port went away: " + port_.WentAwayReason());

    const DownloadProgress progress = status.Progress();
    DeviceResult result{progress.Completed() ? kCompleted : kDownloadFailed,
                        StatusTextOf(progress)};
    if (log_.IsOpen()) {
      record.port = portPath_;
      record.portById = portById_;
      record.kind = isDb ? "DB" : "MMI";
      record.file = AbsolutePath(file.path);
      record.sha256 = file.sha256;
      record.entries = isDb ? ctx_->dbTable.count : 1;
      record.status = result.text;
      record.exitCode = result.exitCode;
      record.seconds =
          std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
      if (const Result<> appended = log_.Append(record); !appended) Warn(appended.error());
    }
    return result;
  }

  const LoadOptions& options_;
  const std::atomic<bool>& stop_;
  ProgressMode mode_;
  OutputChannel out_;
  ProgressDisplay display_;
  LoadLog log_;
  PortName portName_;
  std::string portPath_;
  std::string portById_;
  std::vector<LoadFile> files_;
  // About 300 KB: too much for the stack.
  std::unique_ptr<DownloadContext> ctx_ = std::make_unique<DownloadContext>();
  SerialPort port_;
  DownloadRunner runner_;  // declared after what its worker uses, so it is joined first
};

}  // namespace

int RunLoader(const LoadOptions& options, const std::atomic<bool>& stop) {
  Loader loader(options, stop);
  return loader.Run();
}

}  // namespace brenvik::load
