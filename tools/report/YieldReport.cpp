#include "tools/report/YieldReport.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <nlohmann/json.hpp>

namespace brenvik::report {
namespace {

using JsonValue = nlohmann::json;

std::string Text(const JsonValue& record, const char* field, const char* none = "-") {
  const auto found = record.find(field);
  return found != record.end() && found->is_string() ? found->get<std::string>() : none;
}

// A status text without the link diagnostic after the failure's words: the
// cause, the same for every device it ended.
std::string CauseOf(const std::string& status) {
  const std::size_t diagnostic = status.find("k = ");
  return diagnostic == std::string::npos ? status : status.substr(0, diagnostic);
}

std::string JobOf(const JsonValue& record) {
  const auto job = record.find("job");
  if (job == record.end() || !job->is_object()) return "-";
  return Text(*job, "name");
}

std::string Percent(int part, int whole) {
  if (whole == 0) return "-";
  char text[16];
  std::snprintf(text, sizeof text, "%.1f%%", 100.0 * part / whole);
  return text;
}

std::string Fixed(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.2f", value);
  return text;
}

// To three decimals, as a person reads it.
double Rounded(double value) { return std::round(value * 1000.0) / 1000.0; }

std::string Padded(const std::string& text, std::size_t width, bool right = false) {
  if (text.size() >= width) return text;
  const std::string pad(width - text.size(), ' ');
  return right ? pad + text : text + pad;
}

}  // namespace

std::vector<std::pair<std::string, int>> GroupYield::RankedFailures() const {
  std::vector<std::pair<std::string, int>> ranked(failures.begin(), failures.end());
  std::stable_sort(ranked.begin(), ranked.end(),
                   [](const auto& a, const auto& b) { return a.second > b.second; });
  return ranked;
}

bool YieldReport::Add(const std::string& line) {
  const JsonValue record = JsonValue::parse(line, nullptr, false);
  if (!record.is_object() || !record.contains("exit_code")) return false;
  const std::string id = Text(record, "id", "");
  if (!id.empty() && !ids_.insert(id).second) return true;

  std::vector<std::string> key;
  const std::string station = Text(record, "station");
  const std::string port = Text(record, "port");
  const std::string time = Text(record, "time");
  switch (grouping_) {
    case Grouping::StationAndPort:
      key = {station, port};
      break;
    case Grouping::Job:
      key = {JobOf(record)};
      break;
    case Grouping::Station:
      key = {station};
      break;
    case Grouping::Port:
      key = {port};
      break;
    case Grouping::Day:
      key = {time.substr(0, 10)};
      break;
  }
  const auto number = record.find("device");
  const std::string deviceKey =
      number != record.end() && number->is_number_integer()
          ? Text(record, "run") + "\n" + port + "\n" + std::to_string(number->get<long>())
          : "\n" + std::to_string(++anonymous_);
  Device& device = devices_[deviceKey];
  if (device.key.empty()) device.key = key;
  if (const auto seconds = record.find("seconds");
      seconds != record.end() && seconds->is_number()) {
    device.seconds += seconds->get<double>();
  }
  const auto exitCode = record.find("exit_code");
  if (!exitCode->is_number_integer() || exitCode->get<int>() != 0) {
    if (device.passed) device.cause = CauseOf(Text(record, "status", "(no status)"));
    device.passed = false;
  }
  return true;
}

std::vector<GroupYield> YieldReport::Groups() const {
  std::map<std::vector<std::string>, GroupYield> groups;
  for (const auto& [name, device] : devices_) {
    GroupYield& group = groups[device.key];
    group.key = device.key;
    ++group.devices;
    group.minutes += device.seconds / 60.0;
    if (device.passed) {
      ++group.passed;
    } else {
      ++group.failures[device.cause];
    }
  }
  std::vector<GroupYield> ordered;
  ordered.reserve(groups.size());
  for (auto& [key, group] : groups) ordered.push_back(std::move(group));
  return ordered;
}

std::vector<std::string> YieldReport::KeyNames() const {
  switch (grouping_) {
    case Grouping::Job:
      return {"job"};
    case Grouping::Station:
      return {"station"};
    case Grouping::Port:
      return {"port"};
    case Grouping::Day:
      return {"day"};
    case Grouping::StationAndPort:
      break;
  }
  return {"station", "port"};
}

std::string YieldReport::Table() const {
  const std::vector<GroupYield> groups = Groups();
  const std::vector<std::string> names = KeyNames();
  std::vector<std::size_t> widths;
  widths.reserve(names.size());
  for (const std::string& name : names) widths.push_back(std::max<std::size_t>(name.size(), 5));
  for (const GroupYield& group : groups) {
    for (std::size_t i = 0; i < names.size(); ++i) {
      widths[i] = std::max(widths[i], group.key[i].size());
    }
  }
  const auto row = [&](const std::vector<std::string>& key, const std::string& devices,
                       const std::string& passed, const std::string& failed,
                       const std::string& yield, const std::string& minutes) {
    std::string line;
    for (std::size_t i = 0; i < key.size(); ++i) line += Padded(key[i], widths[i]) + "  ";
    line += Padded(devices, 7, true) + "  " + Padded(passed, 6, true) + "  " +
            Padded(failed, 6, true) + "  " + Padded(yield, 6, true) + "  " +
            Padded(minutes, 12, true);
    line.erase(line.find_last_not_of(' ') + 1);
    return line + "\n";
  };
  std::string table = row(names, "devices", "passed", "failed", "yield", "mean minutes");
  int devices = 0;
  int passed = 0;
  for (const GroupYield& group : groups) {
    devices += group.devices;
    passed += group.passed;
    table += row(group.key, std::to_string(group.devices), std::to_string(group.passed),
                 std::to_string(group.Failed()), Percent(group.passed, group.devices),
                 Fixed(group.minutes / group.devices));
    for (const auto& [cause, count] : group.RankedFailures()) {
      table += "    " + Padded(std::to_string(count), 4, true) + "  " + cause + "\n";
    }
  }
  std::vector<std::string> total(names.size(), "");
  total[0] = "all";
  table += row(total, std::to_string(devices), std::to_string(passed),
               std::to_string(devices - passed), Percent(passed, devices), "");
  return table;
}

std::string YieldReport::Json() const {
  nlohmann::ordered_json out;
  out["devices"] = 0;
  out["passed"] = 0;
  out["failed"] = 0;
  out["groups"] = nlohmann::ordered_json::array();
  const std::vector<std::string> names = KeyNames();
  int devices = 0;
  int passed = 0;
  for (const GroupYield& group : Groups()) {
    devices += group.devices;
    passed += group.passed;
    nlohmann::ordered_json item;
    for (std::size_t i = 0; i < names.size(); ++i) item[names[i]] = group.key[i];
    item["devices"] = group.devices;
    item["passed"] = group.passed;
    item["failed"] = group.Failed();
    item["yield"] = Rounded(static_cast<double>(group.passed) / group.devices);
    item["mean_minutes"] = Rounded(group.minutes / group.devices);
    item["failures"] = nlohmann::ordered_json::array();
    for (const auto& [cause, count] : group.RankedFailures()) {
      item["failures"].push_back({{"cause", cause}, {"devices", count}});
    }
    out["groups"].push_back(std::move(item));
  }
  out["devices"] = devices;
  out["passed"] = passed;
  out["failed"] = devices - passed;
  return out.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + "\n";
}

}  // namespace brenvik::report
