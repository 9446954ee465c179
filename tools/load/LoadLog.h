#pragma once

#include <ctime>
#include <string>

#include "base/FileDescriptor.h"
#include "base/Result.h"

namespace brenvik::load {

// One download as the log keeps it.
struct LoadRecord {
  std::string time;           // when it started, local with zone: "2026-12-07T14:50:03+01:00"
  std::string port;           // the device path opened: "/dev/ttyUSB0"
  std::string portById;       // its /dev/serial/by-id name; empty: none (null in the log)
  std::string kind;           // "DB" or "MMI"
  std::string file;           // the file's absolute path
  std::string sha256;         // of the file's bytes as read and sent, lowercase hex
  int entries = 0;            // the DB's entry count; 1 for an MMI block
  std::string status;         // the final status text
  int exitCode = 0;           // 0 when the download completed, 5 otherwise
  double seconds = 0;         // how long the download took
  std::string id;             // this record's own UUID
  std::string run;            // the UUID of the loader's run, the same on all its records
  std::string station;        // --station, else the host name
  std::string operatorName;   // --operator; empty: none (null)
  std::string jobName;        // --job's name; empty: no job (job is null)
  std::string jobSha256;      // of the job file's bytes
  int device = 0;             // the device's number on its port in this run, from 1
  std::string adapterSerial;  // the USB adapter's serial number; empty: unknown (null)
};

// The record as one line of JSON, newline included, with the tool's version.
// Texts that are not valid UTF-8 (a file name) are written with U+FFFD in
// place of the bad bytes rather than refused; a file name that is not also
// gets "file_hex", its exact bytes in lowercase hex.
std::string RecordLine(const LoadRecord& record);

// `when` as local time in ISO 8601 with the zone's offset.
std::string LocalTimeIso8601(std::time_t when);

// `local` in ISO 8601 with `offsetSeconds` east of UTC as the zone:
// "2026-12-07T14:50:03+01:00"; empty when it cannot be written.
std::string FormatIso8601(const std::tm& local, long offsetSeconds);

// The log file, open for appending. Each record is one write of one whole
// line on a file opened for appending only (Linux: O_APPEND; Windows:
// FILE_APPEND_DATA), so the lines of several loaders sharing the file never
// mix.
class LoadLog {
 public:
  // Opens (creating it; on Linux mode 0644 less the umask) `path` for appending
  // without waiting on it; fails at once with "cannot open the log PATH for
  // appending: ...", "...: it is a FIFO with no reader" for a FIFO nobody reads.
  Result<> Open(const std::string& path);
  bool IsOpen() const { return fd_.IsOpen(); }
  // Appends one record; fails with "cannot write to the log PATH: CAUSE" when
  // the whole line could not be written (a full disk, a file size limit).
  Result<> Append(const LoadRecord& record);

 private:
  FileDescriptor fd_;
  std::string path_;
};

}  // namespace brenvik::load
