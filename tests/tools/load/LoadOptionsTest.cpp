#include "tools/load/LoadOptions.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "res/Version.h"
#include "tools/CommandLine.h"
#include "tools/load/HelpTexts.h"

namespace brenvik::load {
namespace {

ParsedOptions Parse(std::vector<std::string> args) {
  test::CommandLine line("brenvik-load", std::move(args));
  return ParseLoadOptions(line.argc(), line.argv());
}

// The options as one line, every field named, so that a row states them all.
std::string Described(const LoadOptions& o) {
  static const char* const kRepeat[] = {"off", "port", "enter"};
  static const char* const kProgress[] = {"auto", "bar", "lines", "none", "quiet"};
  std::string ports;
  for (const std::string& port : o.ports) ports += (ports.empty() ? "" : ",") + port;
  return "ports=" + ports + " db=" + o.dbFile + " mmi=" + o.mmiFile + " log=" + o.logFile +
         " repeat=" + kRepeat[static_cast<int>(o.repeat)] +
         " progress=" + kProgress[static_cast<int>(o.progress)] +
         " naks=" + std::to_string(o.maxNaks) + (o.trace ? " trace" : "") +
         (o.check ? " check" : "") + (o.strict ? " strict" : "") + (o.listPorts ? " list" : "") +
         (o.job.empty() ? "" : " job=" + o.job) + (o.makeJob.empty() ? "" : " make=" + o.makeJob) +
         (o.jobName.empty() ? "" : " name=" + o.jobName) + (o.acceptWarnings ? " accept" : "") +
         (o.station.empty() ? "" : " station=" + o.station) +
         (o.operatorName.empty() ? "" : " operator=" + o.operatorName);
}

std::string Usage(const std::string& message) {
  return "brenvik-load: " + message + "\nTry 'brenvik-load --help'.\n";
}

constexpr const char* kNeedsNaks = "--max-naks needs a number of NAKs (0: no limit)";
constexpr const char* kNeedsMode = "--progress needs auto, bar, lines or none";
constexpr const char* kTraceAlone =
    "--trace prints lines: it goes with --progress=lines or auto, not --quiet";
constexpr const char* kCheckAlone =
    "--check sends nothing: it takes no --port, --log, --repeat or --trace";
constexpr const char* kNoFile = "give --db FILE, --mmi FILE or both";
constexpr const char* kMakeJobAlone =
    "--make-job sends nothing: it takes no --port, --log, --repeat, --trace, --check, --job or "
    "--quiet";
constexpr const char* kStationInTopic = "--station goes into a topic: a name without /, + or #";
constexpr const char* kJobNamesFiles = "--job names the files: it takes no --db or --mmi";

TEST(LoadOptions, CommandLineGivesTheOptionsOrTheUsageErrorNamingTheOption) {
  const std::string needsPort = SystemHelpTexts().portNeeded;
  const struct {
    std::vector<std::string> args;
    std::string got;  // the options described, or the usage error's message
  } cases[] = {
      {{"-p", "COM1", "-d", "db.csv"},
       "ports=COM1 db=db.csv mmi= log= repeat=off progress=auto naks=100"},
      {{"-pCOM1", "-ddb.csv", "-mmmi.csv"},
       "ports=COM1 db=db.csv mmi=mmi.csv log= repeat=off progress=auto naks=100"},
      {{"--port=COM1", "--mmi=mmi.csv", "--log=l.jsonl"},
       "ports=COM1 db= mmi=mmi.csv log=l.jsonl repeat=off progress=auto naks=100"},
      {{"--db", "db.csv", "--port", "COM2", "-p", "COM1"},
       "ports=COM2,COM1 db=db.csv mmi= log= repeat=off progress=auto naks=100"},
      {{"-p", "COM1", "-d", "d", "--repeat"},
       "ports=COM1 db=d mmi= log= repeat=port progress=auto naks=100"},
      {{"-p", "COM1", "-d", "d", "--repeat=enter"},
       "ports=COM1 db=d mmi= log= repeat=enter progress=auto naks=100"},
      {{"-p", "COM1", "-d", "d", "--repeat=always"},
       "--repeat takes no value, or =enter to wait for Enter"},
      {{"-p", "COM1", "-d", "d", "--progress=bar"},
       "ports=COM1 db=d mmi= log= repeat=off progress=bar naks=100"},
      {{"-p", "COM1", "-d", "d", "--progress", "lines"},
       "ports=COM1 db=d mmi= log= repeat=off progress=lines naks=100"},
      {{"-p", "COM1", "-d", "d", "--progress=none"},
       "ports=COM1 db=d mmi= log= repeat=off progress=none naks=100"},
      {{"-p", "COM1", "-d", "d", "--progress=bar", "--progress=auto"},
       "ports=COM1 db=d mmi= log= repeat=off progress=auto naks=100"},
      {{"-p", "COM1", "-d", "d", "--progress=fancy"}, kNeedsMode},
      {{"-p", "COM1", "-d", "d", "--progress="}, kNeedsMode},
      {{"-p", "COM1", "-d", "d", "-q", "--progress=bar"},
       "ports=COM1 db=d mmi= log= repeat=off progress=quiet naks=100"},
      {{"-p", "COM1", "-d", "d", "--quiet"},
       "ports=COM1 db=d mmi= log= repeat=off progress=quiet naks=100"},
      // The NAK limit at its ends and one past them.
      {{"-p", "COM1", "-d", "d", "--max-naks=0"},
       "ports=COM1 db=d mmi= log= repeat=off progress=auto naks=0"},
      {{"-p", "COM1", "-d", "d", "--max-naks=1000000"},
       "ports=COM1 db=d mmi= log= repeat=off progress=auto naks=1000000"},
      {{"-p", "COM1", "-d", "d", "--max-naks=1000001"}, kNeedsNaks},
      {{"-p", "COM1", "-d", "d", "--max-naks=-1"}, kNeedsNaks},
      {{"-p", "COM1", "-d", "d", "--max-naks=5x"}, kNeedsNaks},
      {{"-p", "COM1", "-d", "d", "--max-naks="}, kNeedsNaks},
      {{"-p", "COM1", "-d", "d", "--max-naks=99999999999999999999"}, kNeedsNaks},
      {{"-p", "COM1", "-d", "d", "--trace"},
       "ports=COM1 db=d mmi= log= repeat=off progress=auto naks=100 trace"},
      {{"-p", "COM1", "-d", "d", "--trace", "--progress=lines"},
       "ports=COM1 db=d mmi= log= repeat=off progress=lines naks=100 trace"},
      {{"-p", "COM1", "-d", "d", "--trace", "-q"}, kTraceAlone},
      {{"-p", "COM1", "-d", "d", "--trace", "--progress=bar"}, kTraceAlone},
      {{"-p", "COM1", "-d", "d", "--trace", "--progress=none"}, kTraceAlone},
      {{"--check", "-d", "d", "-m", "m"},
       "ports= db=d mmi=m log= repeat=off progress=auto naks=100 check"},
      {{"--check"}, kNoFile},
      {{"--check", "--strict", "-d", "d"},
       "ports= db=d mmi= log= repeat=off progress=auto naks=100 check strict"},
      {{"-p", "COM1", "--strict", "-m", "m"},
       "ports=COM1 db= mmi=m log= repeat=off progress=auto naks=100 strict"},
      {{"--check", "-d", "d", "-p", "COM1"}, kCheckAlone},
      {{"--check", "-d", "d", "--log=l"}, kCheckAlone},
      {{"--check", "-d", "d", "--repeat"}, kCheckAlone},
      {{"--check", "-d", "d", "--trace"}, kCheckAlone},
      {{"--make-job", "j", "-d", "d", "--job-name=line 4", "--accept-warnings"},
       "ports= db=d mmi= log= repeat=off progress=auto naks=100 check make=j name=line 4 accept"},
      {{"--make-job=j", "-m", "m"},
       "ports= db= mmi=m log= repeat=off progress=auto naks=100 check make=j"},
      {{"--make-job=j"}, kNoFile},
      {{"--make-job=j", "-d", "d", "-p", "COM1"}, kMakeJobAlone},
      {{"--make-job=j", "-d", "d", "--check"}, kMakeJobAlone},
      {{"--make-job=j", "-d", "d", "--job=k"}, kMakeJobAlone},
      {{"--make-job=j", "-d", "d", "-q"}, kMakeJobAlone},
      {{"--make-job="}, "--make-job needs the job file to write"},
      {{"-p", "COM1", "--job", "j"},
       "ports=COM1 db= mmi= log= repeat=off progress=auto naks=100 job=j"},
      {{"-p", "COM1", "--job", "j", "-d", "d"}, kJobNamesFiles},
      {{"-p", "COM1", "--job", "j", "-m", "m"}, kJobNamesFiles},
      {{"--job", "j"}, "no --port given"},
      {{"-p", "COM1", "--job"}, "--job needs a job file"},
      {{"-p", "COM1", "-d", "d", "--job-name=n"},
       "--job-name and --accept-warnings go with --make-job"},
      {{"-p", "COM1", "-d", "d", "--accept-warnings"},
       "--job-name and --accept-warnings go with --make-job"},
      {{"-p", "COM1", "-d", "d", "--station=line-4 st.2", "--operator", "Ana"},
       "ports=COM1 db=d mmi= log= repeat=off progress=auto naks=100 station=line-4 st.2 "
       "operator=Ana"},
      {{"-p", "COM1", "-d", "d", "--station=a/b"}, kStationInTopic},
      {{"-p", "COM1", "-d", "d", "--station=a+"}, kStationInTopic},
      {{"-p", "COM1", "-d", "d", "--station=#"}, kStationInTopic},
      {{"-p", "COM1", "-d", "d", "--station="}, "--station needs a name"},
      {{"-p", "COM1", "-d", "d", "--operator="}, "--operator needs a name"},
      {{"--list-ports"}, "ports= db= mmi= log= repeat=off progress=auto naks=100 list"},
      {{"--list-ports", "--check", "-p", "COM1"},
       "ports=COM1 db= mmi= log= repeat=off progress=auto naks=100 check list"},
      {{}, "no --port given"},
      {{"-d", "d"}, "no --port given"},
      {{"-p", "COM1"}, kNoFile},
      {{"-p", "COM1", "-d", "a", "-d", "b"}, "--db given twice"},
      {{"-p", "COM1", "-m", "a", "--mmi=b"}, "--mmi given twice"},
      {{"-p", "COM1", "-p", " COM1", "-d", "d"}, "port  COM1 given twice"},
      {{"-p", "COM1", "-p", "COM1"}, "port COM1 given twice"},
      {{"-p", ""}, needsPort},
      {{"--port"}, needsPort},
      {{"-p"}, needsPort},
      {{"-p", "COM1", "-d", ""}, "--db needs a file"},
      {{"-p", "COM1", "--db"}, "--db needs a file"},
      {{"-p", "COM1", "-m", ""}, "--mmi needs a file"},
      {{"-p", "COM1", "-d", "d", "--log="}, "--log needs a file"},
      {{"-p", "COM1", "-d", "d", "--log"}, "--log needs a file"},
      {{"--fast=1"}, "unknown option '--fast'"},
      {{"-qx"}, "unknown option '-x'"},
      {{"--trace=yes"}, "option '--trace' takes no value"},
      {{"--tr=yes"}, "option '--trace' takes no value"},
      {{"--list-ports=1"}, "option '--list-ports' takes no value"},
      {{"--quiet=1"}, "option '--quiet' takes no value"},
      {{"--check=1"}, "option '--check' takes no value"},
      {{"--p=COM1"}, "option '--p' is ambiguous"},
      {{"-p", "COM1", "-d", "d", "db2.csv"}, "unexpected argument db2.csv"},
      {{"-p", "COM1", "-d", "d", "--publish=mqtt://h/t"},
       "--publish sends the log's records: it needs --log FILE"},
      {{"-p", "COM1", "-d", "d", "--publish"}, "--publish needs mqtt://[USER@]HOST[:PORT]/TOPIC"},
      {{"-p", "COM1", "-d", "d", "--log=l", "--publish=tcp://h/t"},
       "--publish needs mqtt://[USER@]HOST[:PORT]/TOPIC"},
      {{"-p", "COM1", "-d", "d", "--log=l", "--publish=mqtt://h:1883"},
       "--publish needs mqtt://[USER@]HOST[:PORT]/TOPIC"},
      {{"-p", "COM1", "-d", "d", "--log=l", "--publish=mqtt://u:secret@h/t"},
       "--publish takes no password in the address: give --publish-password-file"},
      {{"-p", "COM1", "-d", "d", "--log=l", "--publish=mqtt://h:65536/t"},
       "--publish: 65536 is not a port number (1 to 65535)"},
      {{"-p", "COM1", "-d", "d", "--log=l", "--publish=mqtt://h/line/#"},
       "--publish: the topic line/# cannot hold + or # or end in /"},
      {{"-p", "COM1", "-d", "d", "--publish-password-file=pw"},
       "--publish-password-file goes with --publish"},
#ifdef _WIN32
      {{"-p", "COM1", "-d", "d", "--log=l", "--publish=mqtt://h/t"},
       "--publish is not available in this Windows build: it has no MQTT client library; "
       "publish from a Linux station, or collect the --log files"},
#else
      {{"-p", "com1", "-p", "/dev/ttyS0"}, "port /dev/ttyS0 given twice"},
      {{"-p", "/dev/ttyUSB0", "-p", "./ttyUSB0", "-d", "d"},
       "ports=/dev/ttyUSB0,./ttyUSB0 db=d mmi= log= repeat=off progress=auto naks=100"},
#endif
  };
  for (const auto& c : cases) {
    std::string line;
    for (const std::string& arg : c.args) line += " [" + arg + "]";
    SCOPED_TRACE(line);
    const ParsedOptions parsed = Parse(c.args);
    if (c.got.rfind("ports=", 0) == 0) {
      EXPECT_FALSE(parsed.exitCode.has_value()) << parsed.text;
      EXPECT_EQ(Described(parsed.options), c.got);
      EXPECT_EQ(parsed.text, "");
    } else {
      EXPECT_EQ(parsed.exitCode, std::optional<int>(kUsage));
      EXPECT_EQ(parsed.text, Usage(c.got));
    }
  }
}

TEST(LoadOptions, HelpAndVersionEndTheProgramWithZeroWhateverFollows) {
  const HelpTexts& system = SystemHelpTexts();
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {"--help"}, {"-h", "--bogus"}, {"-p", "COM1", "--help", "-d"}}) {
    const ParsedOptions help = Parse(args);
    EXPECT_EQ(help.exitCode, std::optional<int>(kCompleted));
    EXPECT_EQ(help.text.rfind("Usage: brenvik-load [OPTION]... -p PORT", 0), 0u) << help.text;
    // Each of this system's paragraphs stands where its marker was.
    EXPECT_EQ(help.text.find("\n@"), std::string::npos) << help.text;
    for (const char* part :
         {system.portForms, system.listColumns, system.stopping, system.lineExample}) {
      EXPECT_NE(help.text.find(part), std::string::npos) << part;
    }
  }
  const ParsedOptions version = Parse({"-V", "--bogus"});
  EXPECT_EQ(version.exitCode, std::optional<int>(kCompleted));
  EXPECT_EQ(version.text, std::string("brenvik-load (Brenvik) ") + kVersion + "\n");
}

TEST(LoadOptions, PlainRepeatOnABuiltInPortIsRefusedWithTheWayAround) {
  EXPECT_EQ(BuiltInRepeatAdvice("COM1"),
            "COM1 is a serial port built into this PC: it stays when the device is switched "
            "off, so --repeat would wait for ever; use --repeat=enter and press Enter between "
            "devices");
}

}  // namespace
}  // namespace brenvik::load
