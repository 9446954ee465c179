#include "tools/device/DeviceFileWriter.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string_view>

namespace brenvik::device {
namespace {

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// A text field of a record: up to its NUL, never past the end of the array.
template <std::size_t N>
std::string_view Text(const char (&field)[N]) {
  return std::string_view(field, strnlen(field, N));
}

FileWriteResult Failed(const std::string& path, int errnum) {
  return {false, path + ": " + std::strerror(errnum)};
}

// Writes `content` beside `path` and renames it into place, so whoever reads
// the file (a test, a script waiting for the device) never sees half of it.
FileWriteResult WriteWhole(const std::string& path, const std::string& content) {
  const std::string temporary = path + ".part";
  FilePtr file(std::fopen(temporary.c_str(), "wb"));
  if (!file) return Failed(path, errno);
  if (std::fwrite(content.data(), 1, content.size(), file.get()) != content.size()) {
    const int errnum = errno;
    std::remove(temporary.c_str());
    return Failed(temporary, errnum);
  }
  if (std::fclose(file.release()) != 0) {
    const int errnum = errno;
    std::remove(temporary.c_str());
    return Failed(temporary, errnum);
  }
  if (std::rename(temporary.c_str(), path.c_str()) != 0) {
    const int errnum = errno;
    std::remove(temporary.c_str());
    return Failed(path, errnum);
  }
  return {true, {}};
}

}  // namespace

FileWriteResult WriteDbFile(const DbTable& table, const std::string& path) {
  std::string out;
  out += std::to_string(table.count) + "\n";
  out += "no,code,attribute,subEntryCount,label,value,text,...,tail\n";
  const int entries = std::clamp<int>(table.count, 0, kMaxDbEntries);
  for (int i = 0; i < entries; ++i) {
    const DbRecord& record = table.records[i];
    out += std::to_string(i + 1);
    out += ',';
    out += Text(record.code);
    out += ',' + std::to_string(record.attribute);
    out += ',' + std::to_string(record.subEntryCount);
    out += ',';
    out += Text(record.label);
    const int subs = std::min<int>(record.subEntryCount, kMaxSubEntries);
    for (int k = 0; k < subs; ++k) {
      out += ',' + std::to_string(record.subEntries[k].value);
      out += ',';
      out += Text(record.subEntries[k].text);
    }
    out += ',';
    out += Text(record.tailText);
    out += ",0,0\n";
  }
  return WriteWhole(path, out);
}

FileWriteResult WriteMmiFile(const MmiBlock& block, const std::string& path) {
  std::string out;
  for (int i = 0; i < kMmiSettingCount; ++i) {
    out += "s" + std::to_string(i + 1) + ",";
    out += static_cast<char>('0' + block.settings[i]);
    out += ",\n";
  }
  const std::string_view texts[] = {Text(block.longText), Text(block.shortText1),
                                    Text(block.shortText2)};
  for (int i = 0; i < 3; ++i) {
    out += "t" + std::to_string(i + 1) + ",";
    out += texts[i];
    out += ",\n";
  }
  return WriteWhole(path, out);
}

}  // namespace brenvik::device
