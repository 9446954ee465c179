#pragma once

#include <optional>
#include <string>
#include <vector>

namespace brenvik::load {

// The loader's exit codes; a script tells the outcome by them.
enum ExitCode : int {
  kCompleted = 0,
  kUsage = 2,  // also a log that cannot be opened or written
  kBadFile = 3,
  kPortWillNotOpen = 4,
  kDownloadFailed = 5,  // also a stopped download, and any failed device of a --repeat run
};

// How the downloads show on standard output.
enum class ProgressMode {
  Auto,   // a bar on a terminal without --trace, lines otherwise
  Bar,    // one line updated in place, then the final status text
  Lines,  // each status text on its own line as it changes
  None,   // the final status text of each download only
  Quiet,  // nothing at all
};

// Whether the loader goes on to the next device after a run.
enum class RepeatMode {
  Off,
  PortCycle,  // wait for the port to go away and come back
  Enter,      // wait for Enter between devices
};

inline constexpr int kDefaultMaxNaks = 100;

// What the command line asks for.
struct LoadOptions {
  bool listPorts = false;
  bool check = false;               // read the files and say what they hold; no port
  bool strict = false;              // a file with any warning is refused
  std::vector<std::string> ports;   // as given, in order, each port once
  std::string dbFile;               // empty: no DB download
  std::string mmiFile;              // empty: no MMI download
  std::string logFile;              // empty: no log
  std::string publishUrl;           // mqtt://[USER@]HOST[:PORT]/TOPIC; empty: no broker
  std::string publishPasswordFile;  // empty: no password
  RepeatMode repeat = RepeatMode::Off;
  ProgressMode progress = ProgressMode::Auto;
  int maxNaks = kDefaultMaxNaks;
  bool trace = false;
  std::string job;              // load the files this job file approves; empty: none
  std::string makeJob;          // write a job file of the files checked (check is set too)
  std::string jobName;          // the name --make-job gives the job; empty: JOB's base name
  bool acceptWarnings = false;  // --make-job approves files that have warnings
  std::string station;          // the log's station; empty: the host name
  std::string operatorName;     // the log's operator; empty: none
};

// The options, or the end of the program: exitCode set, with `text` to print
// (the help or the version on standard output for 0, a usage error with its
// hint on standard error for 2).
struct ParsedOptions {
  LoadOptions options;
  std::optional<int> exitCode;
  std::string text;
};

// Why plain --repeat is refused on a port built into the PC (IsBuiltInPort),
// naming the port as given, without the program's name.
std::string BuiltInRepeatAdvice(const std::string& portAsGiven);

// Reads the command line with getopt_long: short options (-p PORT, -pPORT),
// long ones (--port PORT, --port=PORT), in any order. May reorder argv.
ParsedOptions ParseLoadOptions(int argc, char** argv);

}  // namespace brenvik::load
