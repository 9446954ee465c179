#include "download/JobFile.h"

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <stdexcept>
#include <system_error>
#include <utility>

#include "download/FileDigest.h"

namespace brenvik {
namespace {

using Json = nlohmann::ordered_json;
namespace fs = std::filesystem;

// Paths are UTF-8 on both systems: a std::string path would be taken in the
// ANSI code page on Windows.
fs::path Utf8Path(const std::string& text) {
  return fs::path(std::u8string(text.begin(), text.end()));
}

std::string Utf8Text(const fs::path& path) {
  const std::u8string text = path.generic_u8string();
  return {text.begin(), text.end()};
}

// A field of a job's object, or the reason the file is no job.
template <typename T>
T Field(const Json& object, const char* key, const std::string& where) {
  const auto found = object.find(key);
  if (found == object.end()) throw std::runtime_error(where + " has no " + key);
  try {
    return found->get<T>();
  } catch (const Json::exception&) {
    throw std::runtime_error(where + "'s " + key + " has the wrong type");
  }
}

bool IsSha256(const std::string& text) {
  return text.size() == 64 && text.find_first_not_of("0123456789abcdef") == std::string::npos;
}

JobEntry EntryOf(const Json& json, const std::string& where) {
  if (!json.is_object()) throw std::runtime_error(where + " is not an object");
  JobEntry entry;
  const auto kind = Field<std::string>(json, "kind", where);
  if (kind != "DB" && kind != "MMI") throw std::runtime_error(where + "'s kind is not DB or MMI");
  entry.kind = kind == "DB" ? DownloadKind::Db : DownloadKind::Mmi;
  entry.file = Field<std::string>(json, "file", where);
  if (entry.file.empty()) throw std::runtime_error(where + "'s file is empty");
  entry.size = Field<std::uintmax_t>(json, "size", where);
  entry.sha256 = Field<std::string>(json, "sha256", where);
  if (!IsSha256(entry.sha256)) throw std::runtime_error(where + "'s sha256 is not 64 hex digits");
  entry.entries = Field<int>(json, "entries", where);
  entry.warnings = Field<std::size_t>(json, "warnings", where);
  return entry;
}

Job JobOf(const Json& json) {
  if (!json.is_object()) throw std::runtime_error("it holds no JSON object");
  Job job;
  job.name = Field<std::string>(json, "name", "the job");
  job.made = Field<std::string>(json, "made", "the job");
  job.version = Field<std::string>(json, "version", "the job");
  const auto files = Field<Json>(json, "files", "the job");
  if (!files.is_array() || files.empty() || files.size() > 2) {
    throw std::runtime_error("the job's files is not a list of one or two files");
  }
  for (std::size_t i = 0; i < files.size(); ++i) {
    job.files.push_back(EntryOf(files[i], "file " + std::to_string(i + 1)));
  }
  if (files.size() == 2 && job.files[0].kind == job.files[1].kind) {
    throw std::runtime_error("the job names two files of one kind");
  }
  return job;
}

}  // namespace

std::string JobText(const Job& job) {
  Json json;
  json["name"] = job.name;
  json["made"] = job.made;
  json["version"] = job.version;
  json["files"] = Json::array();
  for (const JobEntry& entry : job.files) {
    json["files"].push_back({{"kind", KindName(entry.kind)},
                             {"file", entry.file},
                             {"size", entry.size},
                             {"sha256", entry.sha256},
                             {"entries", entry.entries},
                             {"warnings", entry.warnings}});
  }
  return json.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

Result<> WriteJob(const std::string& path, const Job& job) {
  const std::string text = JobText(job);
  std::ofstream out(Utf8Path(path), std::ios::binary | std::ios::trunc);
  if (out) out.write(text.data(), static_cast<std::streamsize>(text.size()));
  if (out) out.close();
  if (!out) return SystemError("cannot write the job " + path, errno != 0 ? errno : EIO);
  return {};
}

Result<Job> ReadJob(const std::string& path) {
  const Result<std::string> sha256 = DigestFile(path);
  if (!sha256) return Error{sha256.error()};
  std::ifstream in(Utf8Path(path), std::ios::binary);
  if (!in) return SystemError(path, errno != 0 ? errno : EIO);
  const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  try {
    Job job = JobOf(Json::parse(text));
    job.sha256 = *sha256;
    return job;
  } catch (const Json::parse_error&) {
    return Error{path + ": not a job file: it is not JSON"};
  } catch (const std::runtime_error& error) {
    return Error{path + ": not a job file: " + error.what()};
  }
}

JobEntry ApprovedEntry(const std::string& jobPath, DownloadKind kind, const std::string& path,
                       std::string sha256, int entries, std::size_t warnings) {
  std::error_code error;
  const fs::path folder = fs::absolute(Utf8Path(jobPath), error).parent_path();
  const fs::path absolute = fs::absolute(Utf8Path(path), error);
  const fs::path relative = absolute.lexically_relative(folder);
  const std::uintmax_t size = fs::file_size(Utf8Path(path), error);
  return {kind,
          Utf8Text(relative.empty() ? absolute : relative),
          error ? 0 : size,
          std::move(sha256),
          entries,
          warnings};
}

// With the system's own separators: the window shows the path.
std::string JobFilePath(const std::string& jobPath, const JobEntry& entry) {
  const std::u8string path =
      (Utf8Path(jobPath).parent_path() / Utf8Path(entry.file)).lexically_normal().u8string();
  return {path.begin(), path.end()};
}

std::string DefaultJobName(const std::string& jobPath) {
  return Utf8Text(Utf8Path(jobPath).stem());
}

std::string JobMismatchText(const std::string& file, const std::string& jobPath,
                            const std::string& sha256, const std::string& jobSha256) {
  return file + " does not match the job " + jobPath + ": SHA-256 " + sha256.substr(0, 12) +
         ", the job's " + jobSha256.substr(0, 12);
}

Result<> VerifyJobFile(const std::string& jobPath, const JobEntry& entry) {
  const std::string path = JobFilePath(jobPath, entry);
  const Result<std::string> sha256 = DigestFile(path);
  if (!sha256) {
    return Error{sha256.error() + "; the job " + jobPath + " wants SHA-256 " +
                 entry.sha256.substr(0, 12)};
  }
  if (*sha256 != entry.sha256) return Error{JobMismatchText(path, jobPath, *sha256, entry.sha256)};
  return {};
}

}  // namespace brenvik
