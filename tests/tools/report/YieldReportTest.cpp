#include "tools/report/YieldReport.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "tools/CommandLine.h"
#include "tools/report/ReportOptions.h"

namespace brenvik::report {
namespace {

// Two stations' logs; the second holds a copy of the first's failed record,
// and a record of an older log (no id, no device) that fails on its own.
const std::vector<std::string> kLogs[] = {
    {
        R"({"id":"a1","run":"r1","station":"st1","device":1,"time":"2026-12-08T10:00:00+01:00","port":"/dev/ttyUSB0","kind":"DB","status":"Completed!","exit_code":0,"seconds":60.0})",
        R"({"id":"a2","run":"r1","station":"st1","device":1,"time":"2026-12-08T10:01:00+01:00","port":"/dev/ttyUSB0","kind":"MMI","status":"Completed!","exit_code":0,"seconds":30.0})",
        R"({"id":"a3","run":"r1","station":"st1","device":2,"time":"2026-12-08T10:02:00+01:00","port":"/dev/ttyUSB0","kind":"DB","status":"ERR: DB rx timeout!k = 00, ret = 00, retry = 10","exit_code":5,"seconds":12.0})",
    },
    {
        R"({"id":"a3","run":"r1","station":"st1","device":2,"time":"2026-12-08T10:02:00+01:00","port":"/dev/ttyUSB0","kind":"DB","status":"ERR: DB rx timeout!k = 00, ret = 00, retry = 10","exit_code":5,"seconds":12.0})",
        R"({"id":"b1","run":"r2","station":"st2","device":1,"time":"2026-12-09T09:00:00+01:00","port":"COM3","kind":"DB","status":"Completed!","exit_code":0,"seconds":6.0})",
        R"({"id":"b2","run":"r2","station":"st2","device":2,"time":"2026-12-09T09:01:00+01:00","port":"COM3","kind":"DB","status":"ERR: DB no ACK!k = 01, ret = 02, retry = 3","exit_code":5,"seconds":6.0})",
        R"({"id":"b3","run":"r2","station":"st2","device":3,"time":"2026-12-09T09:02:00+01:00","port":"COM3","kind":"DB","status":"ERR: DB no ACK!k = 01, ret = 00, retry = 3","exit_code":5,"seconds":6.0})",
        R"({"time":"2026-12-09T09:05:00+01:00","port":"COM3","kind":"DB","status":"ERR: DB rx timeout!k = 00, ret = 00, retry = 10","exit_code":5,"seconds":6.0})",
    },
};

YieldReport ReportOf(Grouping grouping) {
  YieldReport report(grouping);
  for (const auto& log : kLogs) {
    for (const std::string& line : log) EXPECT_TRUE(report.Add(line)) << line;
  }
  return report;
}

TEST(YieldReport, TwoStationsLogsCountTheRecordTheyShareOnce) {
  EXPECT_EQ(ReportOf(Grouping::StationAndPort).Table(),
            "station  port          devices  passed  failed   yield  mean minutes\n"
            "-        COM3                1       0       1    0.0%          0.10\n"
            "       1  ERR: DB rx timeout!\n"
            "st1      /dev/ttyUSB0        2       1       1   50.0%          0.85\n"
            "       1  ERR: DB rx timeout!\n"
            "st2      COM3                3       1       2   33.3%          0.10\n"
            "       2  ERR: DB no ACK!\n"
            "all                          6       2       4   33.3%\n");
  EXPECT_EQ(ReportOf(Grouping::Day).Table(),
            "day         devices  passed  failed   yield  mean minutes\n"
            "2026-12-08        2       1       1   50.0%          0.85\n"
            "       1  ERR: DB rx timeout!\n"
            "2026-12-09        4       1       3   25.0%          0.10\n"
            "       2  ERR: DB no ACK!\n"
            "       1  ERR: DB rx timeout!\n"
            "all               6       2       4   33.3%\n");
  const nlohmann::json json = nlohmann::json::parse(ReportOf(Grouping::Station).Json());
  EXPECT_EQ(json["devices"], 6);
  EXPECT_EQ(json["passed"], 2);
  EXPECT_EQ(json["failed"], 4);
  EXPECT_EQ(json["groups"][2].dump(),
            R"({"devices":3,"failed":2,"failures":[{"cause":"ERR: DB no ACK!","devices":2}],)"
            R"("mean_minutes":0.1,"passed":1,"station":"st2","yield":0.333})");
  YieldReport report(Grouping::Job);
  EXPECT_FALSE(report.Add("not json"));
  EXPECT_FALSE(report.Add(R"({"port":"COM3"})"));
}

TEST(ReportOptions, CommandLineGivesTheLogsAndGroupingOrTheUsageError) {
  const struct {
    std::vector<std::string> args;
    std::string got;  // the logs, json, the grouping; or the usage error's message
  } cases[] = {
      {{"a.jsonl", "b.jsonl"}, "a.jsonl b.jsonl by-station-and-port"},
      {{"--json", "--by=job", "a"}, "a json by-job"},
      {{}, "give one or more logs"},
      {{"--by=shift", "a"}, "--by needs job, station, port or day"},
      {{"--by"}, "--by needs job, station, port or day"},
      {{"--table", "a"}, "unknown option '--table'"},
  };
  for (const auto& c : cases) {
    test::CommandLine line("brenvik-report", c.args);
    const ParsedReportOptions parsed = ParseReportOptions(line.argc(), line.argv());
    if (parsed.exitCode) {
      EXPECT_EQ(parsed.text, "brenvik-report: " + c.got + "\nTry 'brenvik-report --help'.\n");
      continue;
    }
    std::string got;
    for (const std::string& log : parsed.options.logs) got += log + " ";
    got += parsed.options.json ? "json " : "";
    got += parsed.options.grouping == Grouping::Job ? "by-job" : "by-station-and-port";
    EXPECT_EQ(got, c.got);
  }
}

}  // namespace
}  // namespace brenvik::report
