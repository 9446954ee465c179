#include "tools/report/ReportOptions.h"

#include <getopt.h>

#include <string_view>

#include "res/Version.h"
#include "tools/OptionErrors.h"

namespace brenvik::report {
namespace {

constexpr const char* kUsageText =
    "Usage: brenvik-report [OPTION]... LOG...\n"
    "\n"
    "Reads the logs brenvik-load --log wrote, of one station or many, and\n"
    "prints the yield: a line per station and port with its devices, how many\n"
    "passed and failed, the yield, and the mean minutes a device took; below\n"
    "it, the causes its devices failed with, most frequent first (the final\n"
    "status text without its link diagnostic). A last line gives the total.\n"
    "\n"
    "Each record id counts once, so logs that hold the same record (a copy, a\n"
    "log collected twice) count it once; records of older logs without an id\n"
    "count as they stand. A device is one run, port and device number: its DB\n"
    "and MMI downloads; it passed when all of them completed. A record without\n"
    "a device number is a device of its own. Lines that are not records are\n"
    "named on standard error and left out.\n"
    "\n"
    "Options:\n"
    "      --by=WHAT   one line per job, station, port or day instead of per\n"
    "                  station and port\n"
    "      --json      print the same as one JSON object: devices, passed and\n"
    "                  failed of all, and groups, each with its key, devices,\n"
    "                  passed, failed, yield (0 to 1), mean_minutes (both to\n"
    "                  three decimals) and failures (cause and devices, most\n"
    "                  frequent first)\n"
    "  -h, --help      show this text\n"
    "  -V, --version   show the version\n"
    "\n"
    "Exit status:\n"
    "  0  the report was printed\n"
    "  2  wrong usage, or a log could not be read\n"
    "\n"
    "Example:\n"
    "  The yield of two stations' logs, per job:\n"
    "    brenvik-report --by=job station1.jsonl station2.jsonl\n";

enum LongOnly : int { kBy = 256, kJson };

constexpr option kLongOptions[] = {
    {"by", required_argument, nullptr, kBy},
    {"json", no_argument, nullptr, kJson},
    {"help", no_argument, nullptr, 'h'},
    {"version", no_argument, nullptr, 'V'},
    {nullptr, 0, nullptr, 0},
};

constexpr const char* kByNeeds = "--by needs job, station, port or day";

ParsedReportOptions UsageError(const std::string& message) {
  ParsedReportOptions parsed;
  parsed.exitCode = 2;
  parsed.text = "brenvik-report: " + message + "\nTry 'brenvik-report --help'.\n";
  return parsed;
}

bool ParseGrouping(std::string_view text, Grouping& grouping) {
  const std::pair<std::string_view, Grouping> names[] = {{"job", Grouping::Job},
                                                         {"station", Grouping::Station},
                                                         {"port", Grouping::Port},
                                                         {"day", Grouping::Day}};
  for (const auto& [name, value] : names) {
    if (text == name) {
      grouping = value;
      return true;
    }
  }
  return false;
}

}  // namespace

ParsedReportOptions ParseReportOptions(int argc, char** argv) {
  ParsedReportOptions parsed;
  opterr = 0;
  optind = 0;
  for (;;) {
    // Once, at start, before any thread runs.
    // NOLINTNEXTLINE(concurrency-mt-unsafe)
    const int option = getopt_long(argc, argv, ":hV", kLongOptions, nullptr);
    if (option == -1) break;
    switch (option) {
      case 'h':
        parsed.exitCode = 0;
        parsed.text = kUsageText;
        return parsed;
      case 'V':
        parsed.exitCode = 0;
        parsed.text = std::string("brenvik-report (Brenvik) ") + kVersion + "\n";
        return parsed;
      case kBy:
        if (!ParseGrouping(optarg, parsed.options.grouping)) return UsageError(kByNeeds);
        break;
      case kJson:
        parsed.options.json = true;
        break;
      default:
        return UsageError(
            tools::OptionErrorText(kLongOptions, option, optopt, optind > 0 ? argv[optind - 1] : "",
                                   optopt == kBy ? kByNeeds : "an option needs a value"));
    }
  }
  for (int i = optind; i < argc; ++i) parsed.options.logs.emplace_back(argv[i]);
  if (parsed.options.logs.empty()) return UsageError("give one or more logs");
  return parsed;
}

}  // namespace brenvik::report
