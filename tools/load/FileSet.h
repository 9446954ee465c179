#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "download/DownloadContext.h"
#include "tools/load/LoadOptions.h"
#include "tools/load/ProgressDisplay.h"

namespace brenvik::load {

// A file as read, for its download and its log record.
struct LoadFile {
  DownloadKind kind = DownloadKind::Db;
  std::string path;  // as given
  std::string sha256;
  std::size_t warnings = 0;
};

// The files of a run, read and hashed once before any port opens: the tables
// every port's context copies, and what the log says of each file. A refused
// file is said on standard error with its cause.
class FileSet {
 public:
  // `mode` is the progress mode in force: only the lines mode shows the
  // readers' "Number of Entries = N".
  FileSet(const LoadOptions& options, ProgressMode mode, ProgressDisplay& display);

  // Reads the files the options give, the DB first; false at the first refused.
  bool ReadAll();
  // --check: reads every file given and says what each holds; the exit code.
  int Check();

  // In download order.
  const std::vector<LoadFile>& Files() const { return files_; }
  const DbTable& Db() const { return read_->dbTable; }
  const MmiBlock& Mmi() const { return read_->mmiBlock; }

 private:
  bool CheckFile(DownloadKind kind, const std::string& path);
  bool ReadFile(DownloadKind kind, const std::string& path);

  const LoadOptions& options_;
  ProgressMode mode_;
  ProgressDisplay& display_;
  std::vector<LoadFile> files_;
  // The files as read, once for every port; about 300 KB, too much for the stack.
  std::unique_ptr<DownloadContext> read_ = std::make_unique<DownloadContext>();
};

}  // namespace brenvik::load
