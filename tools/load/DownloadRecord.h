#pragma once

#include <string>

#include "download/DownloadProgress.h"
#include "tools/load/FileSet.h"
#include "tools/load/LoadLog.h"

namespace brenvik::load {

// The open port as the log names it.
struct PortIdentity {
  std::string path;           // the device opened: "/dev/ttyUSB0", "COM3"
  std::string byId;           // its /dev/serial/by-id name; empty: none
  std::string adapterSerial;  // its USB adapter's serial number; empty: unknown
};

// What every record of a run says of where it came from.
struct RunIdentity {
  std::string run;  // a UUID
  std::string station;
  std::string operatorName;  // empty: none
  std::string jobName;       // empty: no job
  std::string jobSha256;
};

// How one download ended, as the loader counts it: 0 or 5, and the final
// status text.
struct DownloadResult {
  int exitCode = kCompleted;
  std::string text;
};

// The result of a download that last published `progress`.
DownloadResult ResultOf(const DownloadProgress& progress);

// The log's record of the download of `file` (a DB of `entries` entries) on
// `port`, started at `time` (LocalTimeIso8601) and ended after `seconds`
// with `result`; the file named by its absolute path. The record of
// `device` (from 1 on its port) of `run`, with an id of its own.
LoadRecord DownloadRecord(const LoadFile& file, int entries, const PortIdentity& port,
                          const DownloadResult& result, std::string time, double seconds,
                          const RunIdentity& run, int device);

}  // namespace brenvik::load
