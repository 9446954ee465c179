#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "base/Result.h"
#include "download/DownloadProgress.h"

namespace brenvik {

// One file of a job as it was approved.
struct JobEntry {
  DownloadKind kind = DownloadKind::Db;
  std::string file;          // relative to the job's folder, '/' between names
  std::uintmax_t size = 0;   // in bytes
  std::string sha256;        // of the file's bytes, lowercase hex
  int entries = 0;           // the DB's entry count; 1 for an MMI block
  std::size_t warnings = 0;  // the readers' warnings, accepted when the job was made
};

// A job file: the approved files, by name and hash, that a station loads
// and nothing else.
struct Job {
  std::string name;
  std::string made;             // when, local ISO 8601 with zone
  std::string version;          // of the loader that made it
  std::vector<JobEntry> files;  // in download order, each kind once
  std::string sha256;           // of the job file's own bytes; set by ReadJob
};

// The job as its file holds it: indented JSON, a newline at the end.
std::string JobText(const Job& job);

// Writes the job to `path`; fails with "cannot write the job PATH: cause".
Result<> WriteJob(const std::string& path, const Job& job);

// Reads the job at `path` and the hash of its bytes; fails with "PATH: cause"
// or "PATH: not a job file: what is wrong".
Result<Job> ReadJob(const std::string& path);

// The entry that approves the file at `path` (as given) for a job to be
// written at `jobPath`: named relative to the job's folder, with its size.
JobEntry ApprovedEntry(const std::string& jobPath, DownloadKind kind, const std::string& path,
                       std::string sha256, int entries, std::size_t warnings);

// Where the file of `entry` lies for the job at `jobPath`.
std::string JobFilePath(const std::string& jobPath, const JobEntry& entry);

// The name of a job given none: the base name of its file, "line" for
// "jobs/line.job".
std::string DefaultJobName(const std::string& jobPath);

// Why `file` is not what the job at `jobPath` approved, both hashes
// shortened to 12 hex digits: "db.csv does not match the job line.job:
// SHA-256 3e1f0a2b4c5d, the job's 9f0f29e5a745".
std::string JobMismatchText(const std::string& file, const std::string& jobPath,
                            const std::string& sha256, const std::string& jobSha256);

// Hashes the file of `entry` and compares; fails with JobMismatchText, or for
// a file that cannot be read with its cause and the hash the job wants.
Result<> VerifyJobFile(const std::string& jobPath, const JobEntry& entry);

}  // namespace brenvik
