#pragma once

#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace brenvik::report {

// What the devices are grouped by: station and port (the default), or one of
// job, station, port and day.
enum class Grouping { StationAndPort, Job, Station, Port, Day };

// One group's devices: how many passed, how long they took and why the
// others failed.
struct GroupYield {
  std::vector<std::string> key;  // the group's values, in the columns' order
  int devices = 0;
  int passed = 0;
  double minutes = 0;                   // all its devices' together
  std::map<std::string, int> failures;  // cause -> devices that failed with it

  int Failed() const { return devices - passed; }
  // The causes, most frequent first (ties by text).
  std::vector<std::pair<std::string, int>> RankedFailures() const;
};

// The yield of the records given to Add, each record id counted once: a
// device is one run, port and device number, passed when all its downloads
// completed. A record without an id (older logs) counts as it stands, and
// one without a device number is a device of its own.
class YieldReport {
 public:
  explicit YieldReport(Grouping grouping) : grouping_(grouping) {}

  // One log line; false when it is not a record.
  bool Add(const std::string& line);

  // The groups in the order of their keys.
  std::vector<GroupYield> Groups() const;
  // The columns' headings of the group key.
  std::vector<std::string> KeyNames() const;

  // The table: a line per group, its failure causes below it, and a total.
  std::string Table() const;
  // The same as one JSON object, devices, passed and failed at its top level.
  std::string Json() const;

 private:
  struct Device {
    std::vector<std::string> key;
    bool passed = true;
    double seconds = 0;
    std::string cause;  // the first failed download's status, without its link diagnostic
  };

  Grouping grouping_;
  std::set<std::string> ids_;
  std::map<std::string, Device> devices_;  // by run, port and device number
  int anonymous_ = 0;                      // devices without a number, numbered here
};

}  // namespace brenvik::report
