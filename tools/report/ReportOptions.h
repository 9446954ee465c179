#pragma once

#include <optional>
#include <string>
#include <vector>

#include "tools/report/YieldReport.h"

namespace brenvik::report {

// What the command line of brenvik-report asks for.
struct ReportOptions {
  std::vector<std::string> logs;
  Grouping grouping = Grouping::StationAndPort;
  bool json = false;
};

// The options, or the end of the program: exitCode set, with `text` to print
// (the help or the version on standard output for 0, a usage error on
// standard error for 2).
struct ParsedReportOptions {
  ReportOptions options;
  std::optional<int> exitCode;
  std::string text;
};

ParsedReportOptions ParseReportOptions(int argc, char** argv);

}  // namespace brenvik::report
