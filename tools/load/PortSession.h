#pragma once

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "download/DownloadContext.h"
#include "download/DownloadRunner.h"
#include "serial/PortName.h"
#include "serial/SerialPort.h"
#include "tools/load/DownloadRecord.h"
#include "tools/load/FileSet.h"
#include "tools/load/LoadLog.h"
#include "tools/load/LoadOptions.h"
#include "tools/load/LoaderConsole.h"
#include "tools/load/ProgressDisplay.h"
#include "tools/load/RunSummary.h"

namespace brenvik::load {

// What the sessions of one run share: they outlive every session.
struct SessionShared {
  const LoadOptions& options;
  const std::atomic<bool>& stop;     // set by Ctrl-C, SIGTERM, SIGHUP, SIGQUIT
  std::atomic<bool>& noMoreDevices;  // set when a record could not be written
  ProgressDisplay& display;
  const FileSet& files;
  LoadLog& log;
  const RunIdentity& run;
};

// One port's part of a run: its own context (with the tables read once
// copied in), its port and its download worker, and how its devices went.
// Each device gets the files' downloads in order; the first failure ends
// them. The Load functions run on the port's own thread.
class PortSession {
 public:
  // The port at `index` of the command line, as `given` there.
  PortSession(int index, const std::string& given, const SessionShared& shared);
  PortSession(const PortSession&) = delete;
  PortSession& operator=(const PortSession&) = delete;

  // The one device on the port: opens it, loads, closes it.
  void LoadOnce();
  // Device after device as the port goes away and comes back, until stopped
  // or a record could not be written.
  void LoadUntilStopped();
  // A round's device: waits for the port, loads the device, closes it.
  void LoadRound();

  const PortTally& Tally() const { return tally_; }

 private:
  // Waits for the port, loads the device on it and tells the result; the
  // file the port's path led to, or none when stopped first.
  std::optional<std::string> LoadNextDevice();
  DownloadResult LoadDevice();
  DownloadResult Download(const LoadFile& file);
  // Waits until the running download has ended, or stops it when the run is to stop.
  void WaitForDownload();
  void Count(const DownloadResult& result);
  // Takes down which device the open port is, for the log; returns the file
  // its path leads to.
  std::string NotePortIdentity();

  int index_;
  PortName name_;
  SessionShared shared_;
  PortTally tally_;
  PortIdentity identity_;
  int devices_ = 0;           // loaded on this port so far, the one loading counted
  bool latencyTold_ = false;  // the adapter's slow latency timer was pointed out
  // About 300 KB: too much for the stack.
  std::unique_ptr<DownloadContext> ctx_ = std::make_unique<DownloadContext>();
  LoaderConsole console_;  // its frame link's trace
  // The worker says when its download has ended, so its port's thread need
  // not poll for it.
  std::mutex endLock_;
  std::condition_variable ended_;
  bool downloadEnded_ = false;  // guarded by endLock_
  SerialPort port_;
  DownloadRunner runner_;  // declared after what its worker uses, so it is joined first
};

}  // namespace brenvik::load
