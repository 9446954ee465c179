#include "serial/PortName.h"

#include <cctype>
#include <filesystem>
#include <system_error>

namespace brenvik {
namespace {

std::string Trimmed(const std::string& text) {
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && std::isspace(static_cast<unsigned char>(text[begin]))) ++begin;
  while (end > begin && std::isspace(static_cast<unsigned char>(text[end - 1]))) --end;
  return text.substr(begin, end - begin);
}

// "COM3" in any case gives 3; up to five digits, so the number cannot overflow.
uint32_t ComNumber(const std::string& name) {
  if (name.size() < 4 || name.size() > 8) return 0;
  for (std::size_t i = 0; i < 3; ++i) {
    if (std::toupper(static_cast<unsigned char>(name[i])) != "COM"[i]) return 0;
  }
  uint32_t number = 0;
  for (std::size_t i = 3; i < name.size(); ++i) {
    if (!std::isdigit(static_cast<unsigned char>(name[i]))) return 0;
    number = number * 10 + static_cast<uint32_t>(name[i] - '0');
  }
  return number;
}

}  // namespace

PortName ParsePortName(const std::string& text, const std::string& byIdFolder) {
  PortName name;
  name.text = Trimmed(text);
  const std::string& field = name.text;
  if (field.empty()) return name;
  // "./ttyX" and "dev/pts/5" are paths on either system; no COM name or by-id
  // name has a slash.
  if (IsDevicePath(field) || field.find('/') != std::string::npos) {
    name.devicePath = field;
    return name;
  }
  name.portNumber = ComNumber(field);
  if (name.portNumber != 0 || field == "." || field == "..") return name;
  // The by-id entry is a link; it is opened through the link, so a later
  // replug under another ttyUSB number still finds the adapter.
  const std::filesystem::path entry = std::filesystem::path(byIdFolder) / field;
  std::error_code error;
  if (std::filesystem::exists(std::filesystem::symlink_status(entry, error))) {
    name.devicePath = entry.string();
  }
  return name;
}

std::string PortPath(const PortName& name) {
  if (!name.devicePath.empty()) return name.devicePath;
  return name.portNumber != 0 ? ComPortPath(name.portNumber) : std::string();
}

}  // namespace brenvik
