#include "tools/load/FileSet.h"

#include <unistd.h>

#include <cstdio>

#include "base/Result.h"
#include "files/DataFileKind.h"
#include "files/DbFileReader.h"
#include "files/FileWarnings.h"
#include "files/MmiFileReader.h"
#include "tools/load/FileDigest.h"

namespace brenvik::load {
namespace {

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

}  // namespace

FileSet::FileSet(const LoadOptions& options, ProgressMode mode, OutputChannel& out,
                 OutputChannel& err, ProgressDisplay& display)
    : options_(options), mode_(mode), out_(out), err_(err), display_(display) {}

bool FileSet::ReadAll() {
  if (!options_.dbFile.empty() && !ReadFile(DownloadKind::Db, options_.dbFile)) return false;
  return options_.mmiFile.empty() || ReadFile(DownloadKind::Mmi, options_.mmiFile);
}

int FileSet::Check() {
  const bool db = options_.dbFile.empty() || CheckFile(DownloadKind::Db, options_.dbFile);
  const bool mmi = options_.mmiFile.empty() || CheckFile(DownloadKind::Mmi, options_.mmiFile);
  return db && mmi ? kCompleted : kBadFile;
}

bool FileSet::CheckFile(DownloadKind kind, const std::string& path) {
  if (!ReadFile(kind, path)) return false;
  display_.Line(CheckedLine(files_.back(), read_->dbTable.count));
  return true;
}

// Reads a file into the tables, and hashes the bytes the reader read for
// the log.
bool FileSet::ReadFile(DownloadKind kind, const std::string& path) {
  // The descriptors are muted below: what is queued for them goes out first.
  out_.Drain(kOutputWait);
  err_.Drain(kOutputWait);
  std::size_t warnings = 0;
  const Result<std::string> sha256 = DigestOfRead(path, [&]() -> Result<> {
    const Result<FileWarnings> read = [&]() -> Result<FileWarnings> {
      // "Number of Entries = N" belongs to the lines of the lines mode only;
      // a file that will not open is said once, by the error below.
      const MutedOutput mutedOut(STDOUT_FILENO, mode_ != ProgressMode::Lines || options_.check);
      const MutedOutput mutedErr(STDERR_FILENO, true);
      Result<FileWarnings> result = kind == DownloadKind::Db
                                        ? ReadDbFile(read_->dbTable, path.c_str())
                                        : ReadMmiFile(read_->mmiBlock, path.c_str());
      if (!result) return Error{result.error() + WrongKindHint(kind, path)};
      return result;
    }();
    if (!read) return Error{read.error()};
    PrintWarnings(*read);
    warnings = read->size();
    return {};
  });
  std::fflush(stdout);
  if (!sha256) {
    display_.Warn(ProgressDisplay::kNoPort, sha256.error());
    return false;
  }
  files_.push_back({kind, path, *sha256, warnings});
  return true;
}

}  // namespace brenvik::load
