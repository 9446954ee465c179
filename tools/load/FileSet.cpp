#include "tools/load/FileSet.h"

#include "base/Result.h"
#include "download/FileDigest.h"
#include "files/DataFileKind.h"
#include "files/DbFileReader.h"
#include "files/FileWarnings.h"
#include "files/MmiFileReader.h"
#include "tools/load/LoaderConsole.h"

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

FileSet::FileSet(const LoadOptions& options, ProgressMode mode, ProgressDisplay& display)
    : options_(options), mode_(mode), display_(display) {}

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
  if (options_.strict && warnings > 0) {
    display_.Warn(ProgressDisplay::kNoPort,
                  path + ": refused with --strict: " + std::to_string(warnings) +
                      (warnings == 1 ? " warning" : " warnings") + " above");
    return false;
  }
  files_.push_back({kind, path, *sha256, warnings});
  return true;
}

}  // namespace brenvik::load
