#include "tools/load/LoadOptions.h"

#include <getopt.h>

#include <cerrno>
#include <cstdlib>
#include <string_view>
#include <utility>
#include <vector>

#include "res/Version.h"
#include "serial/PortName.h"
#include "tools/OptionErrors.h"
#include "tools/load/HelpTexts.h"
#include "tools/load/RecordPublisher.h"

namespace brenvik::load {
namespace {

// The help, less the paragraphs that speak of the system (HelpTexts):
// they go where the help has a marker line.
constexpr const char* kUsageText =
    "Usage: brenvik-load [OPTION]... -p PORT [-p PORT]... -d DB-FILE [-m MMI-FILE]\n"
    "  or:  brenvik-load [OPTION]... -p PORT [-p PORT]... -m MMI-FILE\n"
    "  or:  brenvik-load [OPTION]... -p PORT [-p PORT]... --job JOB\n"
    "  or:  brenvik-load --check [-d DB-FILE] [-m MMI-FILE]\n"
    "  or:  brenvik-load --make-job JOB [-d DB-FILE] [-m MMI-FILE] [--job-name NAME]\n"
    "  or:  brenvik-load --list-ports\n"
    "\n"
    "Downloads a DB file, an MMI file or both to the device on PORT (9600 8N1).\n"
    "On a terminal one line shows how it goes and updates in place: the file\n"
    "kind, a bar, the percentage, entries sent of all, the rate and the time\n"
    "left; then the final status text gets a line of its own. Into a pipe or a\n"
    "file each status text is printed on its own line as it changes, ending with\n"
    "\"Completed!\" or an error text.\n"
    "\n"
    "Given both files, the loader reads both first (a rejected file means\n"
    "nothing is sent), opens the port once, downloads the DB file, then the MMI\n"
    "file, and stops at the first failure.\n"
    "\n"
    "-p may be given several times, each port once: the files are read once and\n"
    "each port gets a download run of its own, apart from the others: a failure\n"
    "on one leaves the others to go on. On a terminal each port has a line of its\n"
    "own; into a pipe or a file each line starts with the port as given. A\n"
    "summary line ends the run: \"4 ports: 3 passed, 1 failed\", then in\n"
    "brackets each failed port's name and final text.\n"
    "\n"
    "@port\n"
    "\n"
    "@stop\n"
    "Output whose reader has gone (a closed pipe) is dropped; the download goes\n"
    "on to its end and is logged.\n"
    "\n"
    "Options:\n"
    "  -p, --port=PORT        a serial port a device is on; again for more ports\n"
    "  -d, --db=FILE          download this DB file\n"
    "  -m, --mmi=FILE         download this MMI file (after the DB file)\n"
    "      --log=FILE         append one line of JSON per download to FILE\n"
    "      --station=NAME     the station the log's records name (default: this\n"
    "                         machine's name); no /, + or #\n"
    "      --operator=NAME    the operator the log's records name\n"
    "      --publish=mqtt://[USER@]HOST[:PORT]/TOPIC\n"
    "                         publish each log record, with QoS 1, to the MQTT\n"
    "                         broker at HOST (port 1883 unless given) under\n"
    "                         TOPIC/STATION/PORT (STATION: the record's station,\n"
    "                         else this computer's name; PORT: the port's short\n"
    "                         name, ttyUSB0 or COM3); needs --log. A broker that\n"
    "                         is not there or does not acknowledge never holds up\n"
    "                         a download nor changes the exit status: one warning,\n"
    "                         and the records wait (see Files) until it is back;\n"
    "                         at the end the loader waits at most 5 s for the\n"
    "                         acknowledgements and says how many still wait\n"
    "      --publish-password-file=FILE\n"
    "                         log in as USER with the password on FILE's first\n"
    "                         line (never on the command line)\n"
    "      --repeat[=enter]   load device after device until Ctrl-C; the files are\n"
    "                         read once. Plain --repeat waits for the port to\n"
    "                         appear, loads, prints the result, then waits for the\n"
    "                         port to go away and come back: unplug the adapter (a\n"
    "                         device switched off is not seen: the port stays);\n"
    "                         refused on a port built into the PC, use\n"
    "                         --repeat=enter there. --repeat=enter: after every\n"
    "                         port has finished, one Enter starts the next round\n"
    "                         on all ports; an Enter typed before the prompt is\n"
    "                         discarded.\n"
    "      --progress=MODE    auto (a bar on a terminal, lines otherwise), bar,\n"
    "                         lines (each status text on its own line) or none\n"
    "                         (only the final status text of each download)\n"
    "  -q, --quiet            print nothing on standard output; warnings and\n"
    "                         errors still go to standard error\n"
    "      --max-naks=N       end a DB download with \"ERR: DB too many NAKs!\"\n"
    "                         after N NAKs without a new highest entry (default\n"
    "                         100; 0: no limit)\n"
    "      --trace            print each frame as a line of hex, the bytes as\n"
    "                         they go on the line: \"> 02 52 FF 80 03 00 41 ...\n"
    "                         14 03\" is STX, the body up to its checksum, ETX;\n"
    "                         the status texts come as lines between them\n"
    "      --check            read the files given with -d and -m and print what\n"
    "                         each holds, then exit (3 when one is refused);\n"
    "                         nothing is sent, and --port is refused\n"
    "      --strict           refuse a file with any warning, as a file its\n"
    "                         reader rejects (exit 3); with --check too\n"
    "      --make-job=JOB     check the files given with -d and -m as --check does\n"
    "                         and write the job file JOB that approves them (3\n"
    "                         and no job when one is refused or has warnings)\n"
    "      --job-name=NAME    the job's name (default: JOB's base name)\n"
    "      --accept-warnings  approve files that have warnings\n"
    "      --job=JOB          load the files the job file JOB approves, and only\n"
    "                         when their bytes are the approved ones (with\n"
    "                         --check: verify them and say what each holds)\n"
    "      --list-ports       print the serial ports present, one a line, and\n"
    "@list\n"
    "  -h, --help             show this text\n"
    "  -V, --version          show the version\n"
    "\n"
    "Exit status:\n"
    "  0  every download ended with \"Completed!\" (with --repeat: every device\n"
    "     loaded passed, and there was at least one); with several ports, only\n"
    "     when every port passed\n"
    "  2  wrong usage, the log cannot be opened for appending, a log record\n"
    "     could not be written (with --repeat the loop stops), or the job file\n"
    "     could not be written\n"
    "  3  a file was rejected by its reader (the reason is on standard error),\n"
    "     had warnings with --strict, changed while it was read, or is not the\n"
    "     one its job approves\n"
    "  4  the port would not open (the cause is on standard error), or the\n"
    "     ports could not be listed\n"
    "  5  a download failed or was stopped (with --repeat: a device failed)\n"
    "  With several ports a failure exits with the code of the first failing\n"
    "  port in -p order.\n"
    "\n"
    "Files:\n"
    "  --log=FILE  one JSON object a line, each appended in one write, so several\n"
    "              loaders can share the log: time (local, ISO 8601 with zone),\n"
    "              port, port_by_id (null when none), kind (DB or MMI), file,\n"
    "              sha256 (of the bytes read and sent), entries (1 for MMI),\n"
    "              status (the final status text), exit_code, seconds, version,\n"
    "              id (the record's own UUID), run (the run's UUID), station,\n"
    "              operator (null when none), job ({name, sha256} of the job\n"
    "              file, null when none), device (its number on the port in\n"
    "              this run, from 1), adapter_serial (the USB adapter's serial\n"
    "              number, null when unknown); a file path that is not valid\n"
    "              UTF-8 gets a file_hex field as well, its exact bytes in hex\n"
    "  FILE.sent   with --publish: the waiting records are the log's lines past\n"
    "              the byte offset this file holds; the offset moves past a\n"
    "              record only once the broker has acknowledged it and all before\n"
    "              it, so a record may arrive twice after a fault, never not at\n"
    "              all. Made at the log's end by the first run that publishes\n"
    "              it. Of several loaders sharing the log, the one holding the\n"
    "              lock on FILE.sent sends every waiting record, whoever wrote it;\n"
    "              another takes over when it ends. The next run with the log\n"
    "              sends what an earlier one left waiting, in order\n"
    "\n"
    "Examples:\n"
    "  The DB file into the device on COM3:\n"
    "    brenvik-load -p COM3 -d db.csv\n"
    "\n"
    "@example\n";

// The help with this system's paragraphs in place of its markers.
std::string UsageText() {
  const HelpTexts& system = SystemHelpTexts();
  const std::pair<std::string_view, const char*> parts[] = {
      {"@port\n", system.portForms},
      {"@list\n", system.listColumns},
      {"@stop\n", system.stopping},
      {"@example\n", system.lineExample},
  };
  std::string text = kUsageText;
  for (const auto& [marker, part] : parts) {
    text.replace(text.find(marker), marker.size(), part);
  }
  return text;
}

enum LongOnly : int {
  kLog = 256,
  kRepeat,
  kProgress,
  kMaxNaks,
  kTrace,
  kListPorts,
  kCheck,
  kStrict,
  kJob,
  kMakeJob,
  kJobName,
  kAcceptWarnings,
  kStation,
  kOperator,
  kPublish,
  kPublishPasswordFile,
};

constexpr option kLongOptions[] = {
    {"port", required_argument, nullptr, 'p'},
    {"db", required_argument, nullptr, 'd'},
    {"mmi", required_argument, nullptr, 'm'},
    {"log", required_argument, nullptr, kLog},
    {"repeat", optional_argument, nullptr, kRepeat},
    {"progress", required_argument, nullptr, kProgress},
    {"quiet", no_argument, nullptr, 'q'},
    {"max-naks", required_argument, nullptr, kMaxNaks},
    {"trace", no_argument, nullptr, kTrace},
    {"list-ports", no_argument, nullptr, kListPorts},
    {"check", no_argument, nullptr, kCheck},
    {"strict", no_argument, nullptr, kStrict},
    {"job", required_argument, nullptr, kJob},
    {"make-job", required_argument, nullptr, kMakeJob},
    {"job-name", required_argument, nullptr, kJobName},
    {"accept-warnings", no_argument, nullptr, kAcceptWarnings},
    {"station", required_argument, nullptr, kStation},
    {"operator", required_argument, nullptr, kOperator},
    {"publish", required_argument, nullptr, kPublish},
    {"publish-password-file", required_argument, nullptr, kPublishPasswordFile},
    {"help", no_argument, nullptr, 'h'},
    {"version", no_argument, nullptr, 'V'},
    {nullptr, 0, nullptr, 0},
};

// What an option given without its value needs.
const char* MissingValueText(int option) {
  switch (option) {
    case 'p':
      return SystemHelpTexts().portNeeded;
    case 'd':
      return "--db needs a file";
    case 'm':
      return "--mmi needs a file";
    case kLog:
      return "--log needs a file";
    case kPublish:
      return "--publish needs mqtt://[USER@]HOST[:PORT]/TOPIC";
    case kPublishPasswordFile:
      return "--publish-password-file needs a file";
    case kProgress:
      return "--progress needs auto, bar, lines or none";
    case kMaxNaks:
      return "--max-naks needs a number of NAKs (0: no limit)";
    case kJob:
      return "--job needs a job file";
    case kMakeJob:
      return "--make-job needs the job file to write";
    case kJobName:
      return "--job-name needs a name";
    case kStation:
      return "--station needs a name";
    case kOperator:
      return "--operator needs a name";
    default:
      return "an option needs a value";
  }
}

// Whether `text` names a port already given: the same text, or the same device.
bool IsGivenPort(const std::vector<std::string>& ports, const std::string& text) {
  const PortName name = ParsePortName(text);
  const std::string path = PortPath(name);
  for (const std::string& given : ports) {
    const PortName other = ParsePortName(given);
    if (other.text == name.text || (!path.empty() && PortPath(other) == path)) return true;
  }
  return false;
}

ParsedOptions UsageError(const std::string& message) {
  ParsedOptions parsed;
  parsed.exitCode = kUsage;
  parsed.text = "brenvik-load: " + message + "\nTry 'brenvik-load --help'.\n";
  return parsed;
}

bool ParseProgress(std::string_view text, ProgressMode& mode) {
  if (text == "auto") {
    mode = ProgressMode::Auto;
  } else if (text == "bar") {
    mode = ProgressMode::Bar;
  } else if (text == "lines") {
    mode = ProgressMode::Lines;
  } else if (text == "none") {
    mode = ProgressMode::None;
  } else {
    return false;
  }
  return true;
}

bool ParseCount(const char* text, int& out) {
  char* end = nullptr;
  errno = 0;
  const long value = std::strtol(text, &end, 10);
  if (*text == '\0' || *end != '\0' || errno != 0 || value < 0 || value > 1000000) return false;
  out = static_cast<int>(value);
  return true;
}

// Stores a file option's value; false when the option came twice.
bool SetOnce(std::string& field, const char* value) {
  if (!field.empty()) return false;
  field = value;
  return true;
}

// What a job's options are given with that they do not go with; empty: nothing.
std::string JobUsageError(const LoadOptions& options, bool quiet) {
  if (!options.makeJob.empty()) {
    if (!options.ports.empty() || !options.logFile.empty() || options.repeat != RepeatMode::Off ||
        options.trace || options.check || !options.job.empty() || quiet) {
      return "--make-job sends nothing: it takes no --port, --log, --repeat, --trace, --check, "
             "--job or --quiet";
    }
    return {};
  }
  if (!options.jobName.empty() || options.acceptWarnings) {
    return "--job-name and --accept-warnings go with --make-job";
  }
  if (!options.job.empty() && (!options.dbFile.empty() || !options.mmiFile.empty())) {
    return "--job names the files: it takes no --db or --mmi";
  }
  return {};
}

}  // namespace

std::string BuiltInRepeatAdvice(const std::string& portAsGiven) {
  return portAsGiven +
         " is a serial port built into this PC: it stays when the device is switched off, so "
         "--repeat would wait for ever; use --repeat=enter and press Enter between devices";
}

ParsedOptions ParseLoadOptions(int argc, char** argv) {
  ParsedOptions parsed;
  LoadOptions& options = parsed.options;
  bool quiet = false;
  // Our own messages name the option and the fix; 0 restarts getopt's scan.
  opterr = 0;
  optind = 0;
  for (;;) {
    // Once, at start, before any thread runs.
    // NOLINTNEXTLINE(concurrency-mt-unsafe)
    const int option = getopt_long(argc, argv, ":p:d:m:qhV", kLongOptions, nullptr);
    if (option == -1) break;
    // Set for every option that takes a value, but for --repeat without one.
    const char* value = optarg != nullptr ? optarg : "";
    switch (option) {
      case 'h':
        parsed.exitCode = kCompleted;
        parsed.text = UsageText();
        return parsed;
      case 'V':
        parsed.exitCode = kCompleted;
        parsed.text = std::string("brenvik-load (Brenvik) ") + kVersion + "\n";
        return parsed;
      case 'p':
        if (*value == '\0') return UsageError(MissingValueText(option));
        if (IsGivenPort(options.ports, value)) {
          return UsageError(std::string("port ") + value + " given twice");
        }
        options.ports.emplace_back(value);
        break;
      case 'd':
        if (*value == '\0') return UsageError(MissingValueText(option));
        if (!SetOnce(options.dbFile, value)) return UsageError("--db given twice");
        break;
      case 'm':
        if (*value == '\0') return UsageError(MissingValueText(option));
        if (!SetOnce(options.mmiFile, value)) return UsageError("--mmi given twice");
        break;
      case kLog:
        if (*value == '\0') return UsageError(MissingValueText(option));
        options.logFile = value;
        break;
      case kRepeat:
        if (optarg == nullptr) {
          options.repeat = RepeatMode::PortCycle;
        } else if (std::string_view(value) == "enter") {
          options.repeat = RepeatMode::Enter;
        } else {
          return UsageError("--repeat takes no value, or =enter to wait for Enter");
        }
        break;
      case kProgress:
        if (!ParseProgress(value, options.progress)) return UsageError(MissingValueText(option));
        break;
      case 'q':
        quiet = true;
        break;
      case kMaxNaks:
        if (!ParseCount(value, options.maxNaks)) return UsageError(MissingValueText(option));
        break;
      case kTrace:
        options.trace = true;
        break;
      case kListPorts:
        options.listPorts = true;
        break;
      case kCheck:
        options.check = true;
        break;
      case kStrict:
        options.strict = true;
        break;
      case kJob:
      case kMakeJob:
      case kJobName:
        if (*value == '\0') return UsageError(MissingValueText(option));
        (option == kJob       ? options.job
         : option == kMakeJob ? options.makeJob
                              : options.jobName) = value;
        break;
      case kAcceptWarnings:
        options.acceptWarnings = true;
        break;
      case kStation:
      case kOperator:
        if (*value == '\0') return UsageError(MissingValueText(option));
        // The station is a level of the topic its records are published to.
        if (option == kStation &&
            std::string_view(value).find_first_of("/+#") != std::string::npos) {
          return UsageError("--station goes into a topic: a name without /, + or #");
        }
        (option == kStation ? options.station : options.operatorName) = value;
        break;
      case kPublish:
        if (const Result<BrokerAddress> broker = ParseBrokerAddress(value); !broker) {
          return UsageError(broker.error());
        }
        options.publishUrl = value;
        break;
      case kPublishPasswordFile:
        if (*value == '\0') return UsageError(MissingValueText(option));
        options.publishPasswordFile = value;
        break;
      default:
        // A refused word has been read past: it is the one before optind.
        return UsageError(tools::OptionErrorText(kLongOptions, option, optopt,
                                                 optind > 0 ? argv[optind - 1] : "",
                                                 MissingValueText(optopt)));
    }
  }
  if (optind < argc) return UsageError(std::string("unexpected argument ") + argv[optind]);
  if (options.listPorts) return parsed;
  if (const std::string error = JobUsageError(options, quiet); !error.empty()) {
    return UsageError(error);
  }
  // A job is made of checked files: --make-job is a --check that writes.
  if (!options.makeJob.empty()) options.check = true;
  if (options.check && (!options.ports.empty() || !options.logFile.empty() ||
                        options.repeat != RepeatMode::Off || options.trace)) {
    return UsageError("--check sends nothing: it takes no --port, --log, --repeat or --trace");
  }
  if (!options.publishUrl.empty() && options.logFile.empty()) {
    return UsageError("--publish sends the log's records: it needs --log FILE");
  }
  if (const std::string reason = PublishUnavailableReason();
      !options.publishUrl.empty() && !reason.empty()) {
    return UsageError(reason);
  }
  if (!options.publishPasswordFile.empty() && options.publishUrl.empty()) {
    return UsageError("--publish-password-file goes with --publish");
  }
  if (!options.check && options.ports.empty()) return UsageError("no --port given");
  if (options.job.empty() && options.dbFile.empty() && options.mmiFile.empty()) {
    return UsageError("give --db FILE, --mmi FILE or both");
  }
  if (options.trace &&
      (quiet || options.progress == ProgressMode::Bar || options.progress == ProgressMode::None)) {
    return UsageError("--trace prints lines: it goes with --progress=lines or auto, not --quiet");
  }
  if (quiet) options.progress = ProgressMode::Quiet;
  return parsed;
}

}  // namespace brenvik::load
