// brenvik-report: the yield of a line from the logs of its stations, for the
// quality engineer; tools/report/ holds its parts.

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tools/ProcessStart.h"
#include "tools/report/ReportOptions.h"
#include "tools/report/YieldReport.h"

namespace {

// Adds the records of `path`; false when it cannot be read.
bool AddLog(brenvik::report::YieldReport& report, const std::string& path) {
  // The path in UTF-8: a std::string would be taken in the ANSI code page on Windows.
  const std::u8string utf8(path.begin(), path.end());
  std::ifstream in(std::filesystem::path(utf8), std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "brenvik-report: cannot read the log %s\n", path.c_str());
    return false;
  }
  int number = 0;
  for (std::string line; std::getline(in, line);) {
    ++number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || report.Add(line)) continue;
    std::fprintf(stderr, "brenvik-report: %s:%d: not a record, left out\n", path.c_str(), number);
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (!brenvik::tools::PrepareStandardStreams()) return 1;
  std::vector<std::string> arguments = brenvik::tools::Utf8Arguments(argc, argv);
  std::vector<char*> pointers = brenvik::tools::ArgumentPointers(arguments);
  const brenvik::report::ParsedReportOptions parsed =
      brenvik::report::ParseReportOptions(static_cast<int>(arguments.size()), pointers.data());
  if (parsed.exitCode) {
    std::fputs(parsed.text.c_str(), *parsed.exitCode == 0 ? stdout : stderr);
    return *parsed.exitCode;
  }
  brenvik::report::YieldReport report(parsed.options.grouping);
  for (const std::string& log : parsed.options.logs) {
    if (!AddLog(report, log)) return 2;
  }
  const std::string text = parsed.options.json ? report.Json() : report.Table();
  std::fputs(text.c_str(), stdout);
  return 0;
}
