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

// Writes `content` beside `path` and renames it into place, so whoever reads
// the file (a test, a script waiting for the device) never sees half of it.
Result<> WriteWhole(const std::string& path, const std::string& content) {
  const std::string temporary = path + ".part";
  FilePtr file(std::fopen(temporary.c_str(), "wb"));
  if (!file) return SystemError(path, errno);
  if (std::fwrite(content.data(), 1, content.size(), file.get()) != content.size()) {
    const int errnum = errno;
    std::remove(temporary.c_str());
    return SystemError(temporary, errnum);
  }
  if (std::fclose(file.release()) != 0) {
    const int errnum = errno;
    std::remove(temporary.c_str());
    return SystemError(temporary, errnum);
  }
  if (std::rename(temporary.c_str(), path.c_str()) != 0) {
    const int errnum = errno;
    std::remove(temporary.c_str());
    return SystemError(path, errnum);
  }
  return {};
}

}  // namespace

Result<> WriteDbFile(const DbTable& table, const std::string& path) {
  std::string out;
  // Appended piece by piece: no temporary strings, one buffer for the file.
  auto field = [&out](std::string_view text) {
    out += ',';
    out += text;
  };
  auto number = [&field](long value) { field(std::to_string(value)); };
  out += std::to_string(table.count);
  out += "\nno,code,attribute,subEntryCount,label,value,text,...,tail\n";
  const int entries = std::clamp<int>(table.count, 0, kMaxDbEntries);
  for (int i = 0; i < entries; ++i) {
    const DbRecord& record = table.records[i];
    out += std::to_string(i + 1);
    field(Text(record.code));
    number(record.attribute);
    number(record.subEntryCount);
    field(Text(record.label));
    const int subs = std::min<int>(record.subEntryCount, kMaxSubEntries);
    for (int k = 0; k < subs; ++k) {
      number(record.subEntries[k].value);
      field(Text(record.subEntries[k].text));
    }
    field(Text(record.tailText));
    // A tail text that kept its line end came last on its line, and goes
    // there again so that the reader takes it back as it was sent.
    if (out.back() != '\n') out += ",0,0\n";
  }
  return WriteWhole(path, out);
}

Result<> WriteMmiFile(const MmiBlock& block, const std::string& path) {
  std::string out;
  auto line = [&out](char kind, int number, std::string_view value) {
    out += kind;
    out += static_cast<char>('0' + number);
    out += ',';
    out += value;
    // A value that kept its line end was the last field of its line.
    if (value.empty() || value.back() != '\n') out += ",\n";
  };
  for (int i = 0; i < kMmiSettingCount; ++i) {
    const char setting = static_cast<char>('0' + block.settings[i]);
    line('s', i + 1, std::string_view(&setting, 1));
  }
  line('t', 1, Text(block.longText));
  line('t', 2, Text(block.shortText1));
  line('t', 3, Text(block.shortText2));
  return WriteWhole(path, out);
}

}  // namespace brenvik::device
