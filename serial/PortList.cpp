#include "serial/PortList.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <string_view>
#include <system_error>

namespace brenvik {
namespace {

namespace fs = std::filesystem;

constexpr const char* kEnDash = "\xE2\x80\x93";

std::string DeviceName(const std::string& path) { return fs::path(path).filename().string(); }

// Runs of digits compare as numbers, so ttyS2 comes before ttyS10.
bool NaturalLess(std::string_view a, std::string_view b) {
  auto isDigit = [](char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; };
  std::size_t i = 0;
  std::size_t j = 0;
  while (i < a.size() && j < b.size()) {
    if (isDigit(a[i]) && isDigit(b[j])) {
      std::size_t endA = i;
      std::size_t endB = j;
      while (endA < a.size() && isDigit(a[endA])) ++endA;
      while (endB < b.size() && isDigit(b[endB])) ++endB;
      const std::string_view numberA = a.substr(i, endA - i);
      const std::string_view numberB = b.substr(j, endB - j);
      if (numberA.size() != numberB.size()) return numberA.size() < numberB.size();
      if (numberA != numberB) return numberA < numberB;
      i = endA;
      j = endB;
    } else {
      if (a[i] != b[j]) return a[i] < b[j];
      ++i;
      ++j;
    }
  }
  return a.size() - i < b.size() - j;
}

}  // namespace

void SortPorts(std::vector<PortInfo>& ports) {
  std::sort(ports.begin(), ports.end(),
            [](const PortInfo& a, const PortInfo& b) { return NaturalLess(a.path, b.path); });
}

std::string ByIdPathFor(const std::string& devicePath, const std::string& byIdFolder) {
  std::error_code error;
  const fs::path device = fs::canonical(devicePath, error);
  if (error) return {};
  // Names are compared so that one device with two links always gets the same one.
  std::string found;
  fs::directory_iterator entry(byIdFolder, error);
  for (; !error && entry != fs::directory_iterator(); entry.increment(error)) {
    std::error_code ignored;
    const std::string name = entry->path().filename().string();
    if (fs::canonical(entry->path(), ignored) == device && (found.empty() || name < found)) {
      found = name;
    }
  }
  return found.empty() ? std::string() : (fs::path(byIdFolder) / found).string();
}

std::string PortDescription(const PortInfo& port) {
  if (!port.product.empty()) return port.product;
  if (!port.description.empty() && port.description != DeviceName(port.path)) {
    return port.description;
  }
  return port.manufacturer;
}

std::string PortLabel(const PortInfo& port) {
  const std::string description = PortDescription(port);
  std::string label = DeviceName(port.path);
  label.append(" ").append(kEnDash).append(" ");
  label.append(description.empty() ? "serial port" : description);
  if (!port.serialNumber.empty()) label.append(" (").append(port.serialNumber).append(")");
  return label;
}

std::optional<int> LatencyTimerFromParameters(const DeviceParameterReader& read) {
  const std::optional<uint32_t> value = read("LatencyTimer");
  if (!value || *value < 1 || *value > 255) return std::nullopt;
  return static_cast<int>(*value);
}

}  // namespace brenvik
