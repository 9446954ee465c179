// brenvik-load as a script runs it: a child process on a pseudo-terminal
// device, judged by its output lines and exit code.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/ioctl.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <memory>
#include <nlohmann/json.hpp>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "download/FileDigest.h"
#include "res/Version.h"
#include "serial/PortList.h"
#include "serial/SerialPort.h"
#include "tools/ChildProcess.h"
#include "tools/DeviceTestSupport.h"
#include "tools/device/PtyDevice.h"

namespace brenvik::device {
namespace {

using namespace std::chrono_literals;
using test::ChildIn;
using test::ChildOut;
using test::ChildProcess;
using test::Join;
using test::ToolsTempDir;
using Json = nlohmann::json;

constexpr const char* kLoader = BRENVIK_LOAD_PATH;
constexpr const char* kDevice = BRENVIK_DEVICE_PATH;

constexpr const char* kThreeEntryDb =
    "3\n"
    "heading\n"
    "1,P101,1,2,PUMP 1,0,STOP,1,RUN,P1,0,0\n"
    "2,V201,2,3,INLET VALVE,0,CLOSED,50,HALF,100,OPEN,V1,0,0\n"
    "3,T301,3,0,TANK LEVEL,T1,0,0\n";

constexpr const char* kThreeEntryDbSha256 =
    "e3bf62867ce8da5e7684a51da27b48d2b833880cde43c0a2002a42dfedec25fd";
constexpr const char* kMmi =
    "s1,1,\ns2,0,\ns3,5,\ns4,2,\ns5,9,\nt1,FIRST TEXT,\nt2,SECOND TEXT,\nt3,THIRD TEXT,\n";
constexpr const char* kMmiSha256 =
    "9f0f29e5a745874bd0af40305f832d21450d22a822977f5a702920f17fbb68b3";
constexpr const char* kNoAnswer =
    "no answer from the device: check that it is connected, powered and waiting for a download\n";

bool Contains(const std::vector<std::string>& lines, const std::string& line) {
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

// The lines that are not progress figures, which a poll may miss.
std::vector<std::string> WithoutProgress(const std::vector<std::string>& lines) {
  std::vector<std::string> kept;
  for (const std::string& line : lines) {
    if (line.rfind("Writing...", 0) != 0) kept.push_back(line);
  }
  return kept;
}

// The log's records, one JSON object a line.
std::vector<Json> LogRecords(const std::string& path) {
  std::vector<Json> records;
  std::istringstream lines(test::ReadWholeFile(path));
  for (std::string line; std::getline(lines, line);) records.push_back(Json::parse(line));
  return records;
}

// The port is named as udev names an adapter in /dev/serial/by-id: a link to the device.
TEST(LoaderProcessTest, DbDownloadThroughAByIdNamePrintsItsStatusLinesAndEndsCompleted) {
  ToolsTempDir dir;
  PtyDevice device;
  ASSERT_EQ(device.Start().error(), "");
  const std::string byId = dir.Path("usb-Brenvik_Simulated_Device_0001-if00");
  std::filesystem::create_symlink(device.Path(), byId);
  ChildProcess loader({kLoader, "--port", byId, "--db", dir.Write("in-db.csv", kThreeEntryDb)});
  ASSERT_TRUE(loader.Started());

  EXPECT_EQ(loader.Wait(10s), 0) << loader.Out() << loader.Err();
  const std::vector<std::string> lines = loader.OutLines();
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.front(), "Number of Entries = 3");
  EXPECT_TRUE(Contains(lines, "Downloading database...")) << loader.Out();
  EXPECT_TRUE(Contains(lines, "Writing...33%, 1/3")) << loader.Out();
  EXPECT_EQ(lines.back(), "Completed!");
  EXPECT_EQ(loader.Out().find('\x02'), std::string::npos) << "no frame trace without --trace";
  EXPECT_EQ(device.FrameCount(), 3u);
}

struct ExitCase {
  const char* name;
  std::vector<std::string> args;  // behind the program name
  int exitCode;
  std::string stderrHas;  // exactly once
  std::string stdoutIs = {};
};

TEST(LoaderProcessTest, ExitCodesTellWhatWentWrong) {
  ToolsTempDir dir;
  const std::string db = dir.Write("in-db.csv", kThreeEntryDb);
  const std::string missing = dir.Path("missing-db.csv");
  const std::string noPort = dir.Path("no-such-port");
  const std::string tooLong = dir.Write("long-db.csv", "4000\nheading\n");
  const std::string badMmi = dir.Write("short-mmi.csv", "s1,1,\n");
  const std::string warnedDb = dir.Write("warned-db.csv", "1\nheading\n1,C,0,0,L,TAILS,0,0\n");
  const std::string mmi = dir.Write("in-mmi.csv", kMmi);
  const std::string cannotOpen = Join({noPort, "-port"});
  const std::string fifo = dir.Path("loads.fifo");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const ExitCase cases[] = {
      {"usage error: its text and the hint",
       {"--fast=1"},
       2,
       "brenvik-load: unknown option '--fast'\nTry 'brenvik-load --help'.\n"},
      {"log that cannot be opened",
       {"-p", noPort, "-d", db, "--log", dir.Path("no-dir/loads.jsonl")},
       2,
       Join({"cannot open the log ", dir.Path("no-dir/loads.jsonl"),
             " for appending: No such file or directory"})},
      {"log that is a FIFO nobody reads: refused at once",
       {"-p", noPort, "-d", db, "--log", fifo},
       2,
       Join({"cannot open the log ", fifo, " for appending: it is a FIFO with no reader"})},
      {"file that is not there: said once, with its name",
       {"--port", noPort, "--db", missing},
       3,
       Join({"brenvik-load: ", missing, ": Error opening file: No such file or directory\n"})},
      {"--check of a file that is not there", {"--check", "-m", missing}, 3, "Error opening file"},
      {"--check of good files: nothing sent, no port",
       {"--check", "-d", warnedDb, "-m", mmi},
       0,
       "(tailText) has 5 characters",
       Join({warnedDb, ": DB file, 1 entry, 1 warning\n", mmi, ": MMI file, readable\n"})},
      {"--check --strict of a file with a warning: refused",
       {"--check", "--strict", "-d", warnedDb, "-m", mmi},
       3,
       Join({warnedDb, ": refused with --strict: 1 warning above\n"}),
       Join({mmi, ": MMI file, readable\n"})},
      {"--check --strict of clean files",
       {"--check", "--strict", "-d", db, "-m", mmi},
       0,
       "",
       Join({db, ": DB file, 3 entries\n", mmi, ": MMI file, readable\n"})},
      {"--strict: a file with a warning is refused before the port is tried",
       {"--strict", "-p", noPort, "-d", warnedDb},
       3,
       "refused with --strict"},
      {"--check of a refused file",
       {"--check", "-d", tooLong, "-m", mmi},
       3,
       "count 4000 is above"},
      {"--check of an MMI file given as a DB file",
       {"--check", "-d", mmi},
       3,
       Join({mmi, ":1: count line has no number; this looks like an MMI file; give it with -m\n"})},
      {"DB file given as an MMI file",
       {"-p", noPort, "-m", db},
       3,
       Join({db, ":1: line has no value field; this looks like a DB file; give it with -d\n"})},
      {"file the reader rejects", {"--port", noPort, "--db", tooLong}, 3, "count 4000 is above"},
      {"good DB, rejected MMI: read before the port",
       {"-p", noPort, "-d", db, "-m", badMmi},
       3,
       badMmi},
      {"port that is not there",
       {"--port", noPort, "--db", db},
       4,
       Join({"brenvik-load: ", noPort,
             ": no such device; check that the adapter is plugged in and the name is right\n"})},
      {"two ports that are not there: each named once",
       {"-p", noPort, "-p", cannotOpen, "-d", db},
       4,
       Join({"brenvik-load: ", noPort, ": no such device"})},
      {"warned file: its warnings, one line each, come before the port is tried",
       {"--port", noPort, "--db", warnedDb},
       4,
       Join({warnedDb,
             ":3: field 6 (tailText) has 5 characters, more than the 4 that reach the device "
             "whole: it gets \"TAILS\" without its terminating zero\nbrenvik-load: ",
             noPort})},
      {"COM0 is no port", {"--port", "COM0", "--db", db}, 4, "brenvik-load: COM0 is not a port"},
  };
  for (const ExitCase& c : cases) {
    std::vector<std::string> argv = {kLoader};
    argv.insert(argv.end(), c.args.begin(), c.args.end());
    ChildProcess loader(argv);
    ASSERT_TRUE(loader.Started()) << c.name;
    EXPECT_EQ(loader.Wait(5s), c.exitCode) << c.name << "\n" << loader.Err();
    const std::string& err = loader.Err();
    EXPECT_NE(err.find(c.stderrHas), std::string::npos) << c.name << "\n" << err;
    EXPECT_EQ(err.find(c.stderrHas, err.find(c.stderrHas) + 1), std::string::npos) << err;
    EXPECT_EQ(err.find("cannot open port"), std::string::npos) << c.name << "\n" << err;
    if (!c.stdoutIs.empty()) {
      EXPECT_EQ(loader.Out(), c.stdoutIs) << c.name;
    }
  }
}

TEST(LoaderProcessTest, ListPortsPrintsOneLineOfSevenColumnsPerPortPresent) {
  ChildProcess loader({kLoader, "--list-ports"});
  ASSERT_TRUE(loader.Started());
  EXPECT_EQ(loader.Wait(5s), 0) << loader.Err();
  const Result<std::vector<PortInfo>> listed = ListPorts();
  ASSERT_TRUE(listed) << listed.error();
  const std::vector<std::string> lines = loader.OutLines();
  ASSERT_EQ(lines.size(), listed->size()) << loader.Out();
  for (std::size_t i = 0; i < lines.size(); ++i) {
    EXPECT_EQ(lines[i].rfind((*listed)[i].path + "\t", 0), 0u) << lines[i];
    EXPECT_EQ(std::count(lines[i].begin(), lines[i].end(), '\t'), 6) << lines[i];
  }
}

TEST(LoaderProcessTest, HelpNamesThePortFormsAndExitCodes) {
  ChildProcess loader({kLoader, "--help"});
  ASSERT_TRUE(loader.Started());
  EXPECT_EQ(loader.Wait(5s), 0);
  for (const char* part :
       {"-p PORT [-p PORT]... -d DB-FILE [-m MMI-FILE]", "-p PORT [-p PORT]... -m MMI-FILE",
        "-p may be given several times", "use\n                         --repeat=enter", "COMn",
        "/dev/", "--list-ports", "/dev/serial/by-id", "--repeat[=enter]", "--progress=MODE",
        "--log=FILE", "--check", "Exit status:", "  5  a download failed or was stopped",
        "Files:"}) {
    EXPECT_NE(loader.Out().find(part), std::string::npos) << part;
  }
}

// A watcher of the pipe sees the entry count as soon as the file is read, not
// when the loader ends, and --trace puts each frame on a line of its own.
TEST(LoaderProcessTest, SilentDeviceEndsTheDownloadWithExitCodeFive) {
  ToolsTempDir dir;
  DevicePolicy policy;
  policy.silent = true;
  PtyDevice device(policy);
  ASSERT_EQ(device.Start().error(), "");
  ChildProcess loader(
      {kLoader, "--port", device.Path(), "--trace", "--db", dir.Write("in-db.csv", kThreeEntryDb)});
  ASSERT_TRUE(loader.Started());
  ASSERT_TRUE(device.WaitForFrames(1, 5s));
  // The second frame's answer wait keeps the loader running for a second yet.
  EXPECT_TRUE(loader.WaitForOut("Number of Entries = 3\n", 300ms)) << loader.Out();

  EXPECT_EQ(loader.Wait(10s), 5) << loader.Out() << loader.Err();
  const std::vector<std::string> lines = loader.OutLines();
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.back().rfind("ERR: DB rx timeout!k = 00, ret = ", 0), 0u) << lines.back();
  EXPECT_EQ(loader.Err(), Join({"brenvik-load: ", kNoAnswer}));
  // STX, the 83 body bytes up to the checksum, ETX.
  const std::regex frameLine(R"(> 02 52 FF (80 03 00|82 01 00)( [0-9A-F]{2}){78} 03)");
  std::vector<std::string> traced;
  for (const std::string& line : lines) {
    if (line.rfind('>', 0) == 0) traced.push_back(line);
  }
  ASSERT_EQ(traced.size(), 2u) << loader.Out();
  EXPECT_TRUE(std::regex_match(traced[0], frameLine)) << traced[0];
  EXPECT_TRUE(std::regex_match(traced[1], frameLine)) << traced[1];
  EXPECT_EQ(traced[1].substr(0, 20), "> 02 52 FF 82 01 00 ");
}

// The exclusive flag outlives the loader on a pseudo-terminal whose device
// keeps it open; a loader killed without closing its port would leave it set.
TEST(LoaderProcessTest, InterruptTermAndHangUpStopTheDownloadAndReleaseThePort) {
  ToolsTempDir dir;
  const std::string db = dir.Write("in-db.csv", kThreeEntryDb);
  for (const int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) {
    PtyDevice device;
    ASSERT_EQ(device.Start().error(), "");
    ChildProcess loader({kLoader, "--port", device.Path(), "--db", db});
    ASSERT_TRUE(loader.Started());
    // The first frame has arrived: the download waits its half second behind it.
    ASSERT_TRUE(device.WaitForFrames(1, 5s));
    loader.Signal(signal);

    EXPECT_EQ(loader.Wait(5s), 5) << signal << loader.Out() << loader.Err();
    const std::vector<std::string> lines = loader.OutLines();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back().rfind("ERR: DB stopped", 0), 0u) << lines.back();
    EXPECT_EQ(device.FrameCount(), 1u) << "nothing is sent after the stop";
    const int fd = ::open(device.Path().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    int exclusive = -1;
    EXPECT_EQ(::ioctl(fd, TIOCGEXCL, &exclusive), 0);
    EXPECT_EQ(exclusive, 0) << signal << ": the loader let the port go";
    ::close(fd);
  }
}

TEST(LoaderProcessTest, BothFilesGoThroughOnePortOpenAndEachDownloadIsLogged) {
  ToolsTempDir dir;
  PtyDevice device;
  ASSERT_EQ(device.Start().error(), "");
  const std::string db = dir.Write("db.csv", kThreeEntryDb);
  const std::string mmi = dir.Write("mmi.csv", kMmi);
  const std::string log = dir.Path("loads.jsonl");
  // The MMI file named first still goes second, as in the window.
  ChildProcess loader(
      {kLoader, "-p", device.Path(), "-m", mmi, "-d", db, "--log", log, "--station", "line-4"});
  EXPECT_EQ(loader.Wait(10s), 0) << loader.Out() << loader.Err();
  EXPECT_EQ(WithoutProgress(loader.OutLines()),
            (std::vector<std::string>{"Number of Entries = 3", "Downloading database...",
                                      "Completed!", "Downloading MMI...", "Completed!"}));
  EXPECT_EQ(device.FrameCount(), 4u);

  const std::vector<Json> records = LogRecords(log);
  ASSERT_EQ(records.size(), 2u);
  const struct {
    const char* kind;
    std::string file;
    const char* sha256;
    int entries;
  } expected[] = {{"DB", db, kThreeEntryDbSha256, 3}, {"MMI", mmi, kMmiSha256, 1}};
  for (std::size_t i = 0; i < 2; ++i) {
    const Json& record = records[i];
    EXPECT_TRUE(std::regex_match(record.at("time").get<std::string>(),
                                 std::regex(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d[+-]\d\d:\d\d)")))
        << record;
    EXPECT_EQ(record.at("port"), device.Path());
    EXPECT_TRUE(record.at("port_by_id").is_null());
    EXPECT_EQ(record.at("kind"), expected[i].kind);
    EXPECT_EQ(record.at("file"), expected[i].file);
    EXPECT_EQ(record.at("sha256"), expected[i].sha256);
    EXPECT_EQ(record.at("entries"), expected[i].entries);
    EXPECT_EQ(record.at("status"), "Completed!");
    EXPECT_EQ(record.at("exit_code"), 0);
    EXPECT_GT(record.at("seconds").get<double>(), 0.5);
    EXPECT_EQ(record.at("version"), kVersion);
    // One device of one run, each record with an id of its own.
    EXPECT_EQ(record.at("run"), records[0].at("run"));
    EXPECT_NE(record.at("run"), record.at("id"));
    EXPECT_EQ(record.at("id").get<std::string>().size(), 36u);
    EXPECT_EQ(record.at("station"), "line-4");
    EXPECT_TRUE(record.at("operator").is_null());
    EXPECT_TRUE(record.at("job").is_null());
    EXPECT_EQ(record.at("device"), 1);
    EXPECT_TRUE(record.at("adapter_serial").is_null()) << "a pseudo-terminal has no adapter";
  }
  EXPECT_NE(records[0].at("id"), records[1].at("id"));
}

// A job pins the approved files by their bytes: a file changed or gone
// after the job was made ends the run before any port is tried.
TEST(LoaderProcessTest, JobIsMadeOfCheckedFilesAndLoadsThoseBytesOnly) {
  ToolsTempDir dir;
  std::filesystem::create_directory(dir.Path("data"));
  const std::string db = dir.Write("data/db.csv", kThreeEntryDb);
  const std::string mmi = dir.Write("data/mmi.csv", kMmi);
  const std::string warned = dir.Write("data/warned-db.csv", "1\nheading\n1,C,0,0,L,TAILS,0,0\n");
  const std::string job = dir.Path("line.job");

  ChildProcess refused({kLoader, "--make-job", job, "-d", warned});
  EXPECT_EQ(refused.Wait(5s), 3) << refused.Err();
  EXPECT_NE(refused.Err().find(warned + " has warnings; give --accept-warnings to approve it"),
            std::string::npos)
      << refused.Err();
  EXPECT_FALSE(std::filesystem::exists(job));

  ChildProcess made({kLoader, "--make-job", job, "-m", mmi, "-d", db});
  EXPECT_EQ(made.Wait(5s), 0) << made.Err();
  EXPECT_EQ(made.Out(), db + ": DB file, 3 entries\n" + mmi + ": MMI file, readable\n" + job +
                            ": job line written\n");
  const Json written = Json::parse(test::ReadWholeFile(job));
  EXPECT_EQ(written.at("name"), "line");
  EXPECT_EQ(written.at("version"), kVersion);
  EXPECT_EQ(
      written.at("files"),
      Json::parse(std::string(R"([{"kind":"DB","file":"data/db.csv","size":133,"sha256":")") +
                  kThreeEntryDbSha256 +
                  R"(","entries":3,"warnings":0},{"kind":"MMI","file":"data/mmi.csv",)" +
                  R"("size":76,"sha256":")" + kMmiSha256 + R"(","entries":1,"warnings":0}])"));

  PtyDevice device;
  ASSERT_EQ(device.Start().error(), "");
  const std::string log = dir.Path("loads.jsonl");
  ChildProcess loaded(
      {kLoader, "-p", device.Path(), "--job", job, "--log", log, "--operator", "Ana"});
  EXPECT_EQ(loaded.Wait(10s), 0) << loaded.Out() << loaded.Err();
  EXPECT_EQ(device.FrameCount(), 4u);
  for (const Json& record : LogRecords(log)) {
    EXPECT_EQ(record.at("job"), Json({{"name", "line"}, {"sha256", *DigestFile(job)}}));
    EXPECT_EQ(record.at("operator"), "Ana");
  }

  const std::string noPort = dir.Path("no-such-port");
  dir.Write("data/mmi.csv", std::string(kMmi) + "\n");
  // --check of the job says the same, without a port.
  const std::vector<std::vector<std::string>> runs = {{kLoader, "-p", noPort, "--job", job},
                                                      {kLoader, "--check", "--job", job}};
  for (const std::vector<std::string>& run : runs) {
    ChildProcess changed(run);
    EXPECT_EQ(changed.Wait(5s), 3);
    EXPECT_EQ(changed.Err(), Join({"brenvik-load: ", mmi, " does not match the job ", job,
                                   ": SHA-256 028f0ab6bbe5, the job's 9f0f29e5a745\n"}));
  }
  std::filesystem::remove(db);
  ChildProcess missing({kLoader, "-p", noPort, "--job", job});
  EXPECT_EQ(missing.Wait(5s), 3);
  EXPECT_EQ(missing.Err(), "brenvik-load: " + db + ": No such file or directory; the job " + job +
                               " wants SHA-256 e3bf62867ce8\n");
}

TEST(LoaderProcessTest, ProgressBarOnATerminalUpdatesInPlaceThenEndsOnItsOwnLine) {
  ToolsTempDir dir;
  PtyDevice device;
  ASSERT_EQ(device.Start().error(), "");
  ChildProcess loader({kLoader, "-p", device.Path(), "-d", dir.Write("db.csv", kThreeEntryDb)},
                      ChildOut::Terminal);
  EXPECT_EQ(loader.Wait(10s), 0) << loader.Out() << loader.Err();
  const std::string firstTwo =
      Join({"\rDB  Downloading database...\x1b[K\rDB  [", std::string(13, '#'),
            std::string(27, '.'), "]  33%  1/3     --/s    --:-- left\x1b[K"});
  EXPECT_EQ(loader.Out().substr(0, firstTwo.size()), firstTwo) << loader.Out();
  const std::string last = "\rDB  Completed!\x1b[K\n";
  ASSERT_GE(loader.Out().size(), last.size());
  EXPECT_EQ(loader.Out().substr(loader.Out().size() - last.size()), last) << loader.Out();
  EXPECT_EQ(std::count(loader.Out().begin(), loader.Out().end(), '\n'), 1) << loader.Out();
}

TEST(LoaderProcessTest, DeviceRefusingAnEntryForEverEndsAtTheNakLimit) {
  ToolsTempDir dir;
  DevicePolicy policy;
  policy.indexNaks.push_back({1, 1000});
  PtyDevice device(policy);
  ASSERT_EQ(device.Start().error(), "");
  ChildProcess loader(
      {kLoader, "-p", device.Path(), "-d", dir.Write("db.csv", kThreeEntryDb), "--max-naks", "3"});
  EXPECT_EQ(loader.Wait(10s), 5) << loader.Out() << loader.Err();
  ASSERT_FALSE(loader.OutLines().empty());
  EXPECT_EQ(loader.OutLines().back(), "ERR: DB too many NAKs!k = 01, ret = 15, retry = 0");
  // The first frame, then entry 1 refused three times with entry 0 between.
  EXPECT_EQ(device.FrameCount(), 6u);
}

// As `brenvik-load ... | head` whose head has had enough.
TEST(LoaderProcessTest, OutputWhoseReaderHasGoneLetsTheDownloadFinishAndBeLogged) {
  ToolsTempDir dir;
  PtyDevice device;
  ASSERT_EQ(device.Start().error(), "");
  const std::string log = dir.Path("loads.jsonl");
  ChildProcess loader(
      {kLoader, "-p", device.Path(), "-d", dir.Write("db.csv", kThreeEntryDb), "--log", log});
  loader.DropOut();
  EXPECT_EQ(loader.Wait(10s), 0) << loader.Err();
  EXPECT_EQ(device.FrameCount(), 3u);
  const std::vector<Json> records = LogRecords(log);
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].at("status"), "Completed!");
}

// Each device is a brenvik-device on the same link, as an adapter unplugged
// and plugged in; the second never answers.
TEST(LoaderProcessTest, RepeatLoadsDeviceAfterDeviceUntilInterruptedAndSumsThemUp) {
  ToolsTempDir dir;
  const std::string link = dir.Path("adapter");
  const std::string log = dir.Path("loads.jsonl");
  ChildProcess loader({kLoader, Join({"--port=", link}),
                       Join({"--db=", dir.Write("db.csv", kThreeEntryDb)}), Join({"--log=", log}),
                       "--repeat"});
  const std::vector<std::vector<std::string>> devices = {
      {kDevice, "--link", link},
      {kDevice, "--silent", Join({"--link=", link})},
      {kDevice, "-q", "--link", link}};
  const std::string results[] = {"device 1: Completed!",
                                 "device 2: ERR: DB rx timeout!k = 00, ret = 00, retry = 10",
                                 "device 3: Completed!"};
  for (std::size_t i = 0; i < devices.size(); ++i) {
    ChildProcess device(devices[i]);
    ASSERT_TRUE(loader.WaitForOut(results[i], 10s)) << loader.Out() << loader.Err();
    device.Signal(SIGTERM);
    EXPECT_EQ(device.Wait(5s), 0) << device.Err();
    EXPECT_FALSE(std::filesystem::exists(link)) << "the device takes its link away";
  }
  loader.Signal(SIGINT);
  EXPECT_EQ(loader.Wait(5s), 5) << loader.Err();
  ASSERT_FALSE(loader.OutLines().empty());
  EXPECT_EQ(loader.OutLines().back(), "3 devices: 2 passed, 1 failed");
  const std::vector<Json> records = LogRecords(log);
  ASSERT_EQ(records.size(), 3u);
  EXPECT_EQ(records[1].at("exit_code"), 5);
  for (std::size_t i = 0; i < records.size(); ++i) {
    EXPECT_EQ(records[i].at("device"), i + 1);
    EXPECT_EQ(records[i].at("run"), records[0].at("run"));
  }

  const std::string notALink = dir.Write("not-a-link", "");
  ChildProcess refused({kDevice, "--link", notALink});
  EXPECT_EQ(refused.Wait(5s), 1);
  EXPECT_NE(refused.Err().find("exists and is not a symbolic link"), std::string::npos);
}

// Standard input at its end is the operator who has gone home.
TEST(LoaderProcessTest, RepeatWithEnterPromptsBetweenDevicesAndEndsAtTheEndOfInput) {
  ToolsTempDir dir;
  PtyDevice device;
  ASSERT_EQ(device.Start().error(), "");
  ChildProcess loader({kLoader, "-p", device.Path(), "-d", dir.Write("db.csv", kThreeEntryDb),
                       "--repeat=enter", "--progress=none"});
  EXPECT_EQ(loader.Wait(10s), 0) << loader.Err();
  EXPECT_EQ(loader.OutLines(), (std::vector<std::string>{"Completed!", "device 1: Completed!",
                                                         "1 device: 1 passed, 0 failed"}));
  EXPECT_NE(loader.Err().find("Connect the next device and press Enter (Ctrl-C to stop)"),
            std::string::npos);
}

TEST(LoaderProcessTest, DeviceGoneDuringTheDownloadIsNamedAndEndsWithExitCodeFive) {
  ToolsTempDir dir;
  auto device = std::make_unique<PtyDevice>();
  ASSERT_EQ(device->Start().error(), "");
  const std::string path = device->Path();
  ChildProcess loader({kLoader, "--port", path, "--db", dir.Write("in-db.csv", kThreeEntryDb)});
  ASSERT_TRUE(loader.Started());
  ASSERT_TRUE(device->WaitForFrames(1, 5s));
  device.reset();  // its end of the pty closes: the loader's end hangs up

  EXPECT_EQ(loader.Wait(10s), 5) << loader.Out() << loader.Err();
  EXPECT_NE(loader.Err().find(Join({"brenvik-load: the port went away: ", path,
                                    " hung up (the adapter was unplugged or the device powered "
                                    "off)\n"})),
            std::string::npos)
      << loader.Err();
  EXPECT_EQ(loader.Err().find(kNoAnswer), std::string::npos) << "the port says why";
}

// The texts one port printed in lines mode, its "PORT: " taken off.
std::vector<std::string> LinesOf(const std::vector<std::string>& lines, const std::string& port) {
  std::vector<std::string> own;
  for (const std::string& line : lines) {
    if (line.rfind(port + ": ", 0) == 0) own.push_back(line.substr(port.size() + 2));
  }
  return own;
}

TEST(StationProcessTest, FourPortsGetTheSameFramesAndASilentOneFailsAlone) {
  ToolsTempDir dir;
  DevicePolicy silent;
  silent.silent = true;
  std::vector<std::unique_ptr<PtyDevice>> devices;
  std::vector<std::string> args = {kLoader,
                                   "-d",
                                   dir.Write("db.csv", kThreeEntryDb),
                                   "-m",
                                   dir.Write("mmi.csv", kMmi),
                                   "--log",
                                   dir.Path("log.jsonl")};
  for (int i = 0; i < 4; ++i) {
    devices.push_back(std::make_unique<PtyDevice>(i == 2 ? silent : DevicePolicy{}));
    ASSERT_EQ(devices.back()->Start().error(), "");
    args.insert(args.end(), {"-p", devices.back()->Path()});
  }
  ChildProcess loader(args);

  EXPECT_EQ(loader.Wait(20s), 5) << loader.Out() << loader.Err();
  const std::string silentPort = devices[2]->Path();
  const std::string timeout = "ERR: DB rx timeout!k = 00, ret = 00, retry = 10";
  const std::vector<Json> records = LogRecords(dir.Path("log.jsonl"));
  for (const auto& device : devices) {
    const bool answers = device->Path() != silentPort;
    const std::vector<std::string> loaded = {"Downloading database...", "Writing...33%, 1/3",
                                             "Writing...66%, 2/3",      "Completed!",
                                             "Downloading MMI...",      "Completed!"};
    // The first frame is never answered: the device's silence shows from the second.
    const std::vector<std::string> failed = {"Downloading database...", "Writing...33%, 1/3",
                                             timeout};
    EXPECT_EQ(LinesOf(loader.OutLines(), device->Path()), answers ? loaded : failed)
        << loader.Out();
    const auto own = std::count_if(records.begin(), records.end(), [&](const Json& record) {
      return record.at("port") == device->Path();
    });
    EXPECT_EQ(own, answers ? 2 : 1) << device->Path();
    if (!answers) continue;
    const std::vector<ReceivedFrame> frames = device->Frames();
    const std::vector<ReceivedFrame> first = devices[0]->Frames();
    ASSERT_EQ(frames.size(), 4u);
    for (std::size_t i = 0; i < frames.size(); ++i) {
      EXPECT_TRUE(frames[i].valid) << frames[i].problem;
      EXPECT_EQ(frames[i].body, first[i].body) << "frame " << i;
    }
  }
  EXPECT_EQ(loader.Err(), Join({"brenvik-load: ", silentPort, ": ", kNoAnswer}));
  const std::string name = silentPort.substr(std::string("/dev/").size());
  EXPECT_EQ(loader.OutLines().back(),
            Join({"4 ports: 3 passed, 1 failed (", name, ": ", timeout, ")"}));
}

// A reader that stops reading (`| less` left unscrolled) holds neither the
// downloads nor the stop; every port is let go within a second.
TEST(StationProcessTest, StopWithAStalledPipeReleasesEveryPortWithinASecond) {
  ToolsTempDir dir;
  std::string db = "300\nheading\n";
  for (int i = 1; i <= 300; ++i) db += std::to_string(i) + ",C,1,0,LABEL,T,0,0\n";
  std::vector<std::unique_ptr<PtyDevice>> devices;
  std::vector<std::string> args = {kLoader, "--trace", "-d", dir.Write("db.csv", db)};
  for (int i = 0; i < 4; ++i) {
    devices.push_back(std::make_unique<PtyDevice>());
    ASSERT_EQ(devices.back()->Start().error(), "");
    args.insert(args.end(), {"-p", devices.back()->Path()});
  }
  ChildProcess loader(args, ChildOut::Stalled);
  // Far more than the pipe's page of frame lines: the downloads go on unheld.
  for (const auto& device : devices) ASSERT_TRUE(device->WaitForFrames(40, 10s));
  loader.Signal(SIGINT);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(1);
  std::vector<int> exclusive(devices.size(), -1);
  for (;;) {
    for (std::size_t i = 0; i < devices.size(); ++i) {
      const int fd = ::open(devices[i]->Path().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
      (void)::ioctl(fd, TIOCGEXCL, &exclusive[i]);
      ::close(fd);
    }
    if (std::count(exclusive.begin(), exclusive.end(), 0) == 4) break;
    ASSERT_LT(std::chrono::steady_clock::now(), deadline) << "exclusive flags still set";
    std::this_thread::sleep_for(20ms);
  }
  EXPECT_EQ(loader.Wait(5s), 5) << loader.Err();
}

// An Enter pressed while the devices load is not the prompt's; one Enter
// starts the next round on every port.
TEST(StationProcessTest, RepeatWithEnterDiscardsAnEarlyEnterAndLoadsEveryPortPerRound) {
  ToolsTempDir dir;
  PtyDevice first;
  PtyDevice second;
  ASSERT_EQ(first.Start().error(), "");
  ASSERT_EQ(second.Start().error(), "");
  ChildProcess loader({kLoader, "-p", first.Path(), "-p", second.Path(), "-d",
                       dir.Write("db.csv", kThreeEntryDb), "--repeat=enter", "--progress=none"},
                      ChildOut::Pipe, ChildIn::Terminal);
  ASSERT_TRUE(first.WaitForFrames(1, 5s));
  loader.TypeIn("\n");
  ASSERT_TRUE(loader.WaitForErr("Connect the next devices and press Enter", 10s)) << loader.Err();
  std::this_thread::sleep_for(500ms);
  EXPECT_EQ(first.FrameCount(), 3u) << "the early Enter started no round";
  loader.TypeIn("\n");
  EXPECT_TRUE(first.WaitForFrames(6, 5s));
  EXPECT_TRUE(second.WaitForFrames(6, 5s));
  ASSERT_TRUE(loader.WaitForOut(Join({first.Path(), ": device 2: Completed!"}), 5s));
  ASSERT_TRUE(loader.WaitForOut(Join({second.Path(), ": device 2: Completed!"}), 5s));
  loader.Signal(SIGINT);
  EXPECT_EQ(loader.Wait(5s), 0) << loader.Err();
  const std::vector<std::string> lines = loader.OutLines();
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(std::vector<std::string>(lines.end() - 3, lines.end()),
            (std::vector<std::string>{Join({first.Path(), ": 2 devices: 2 passed, 0 failed"}),
                                      Join({second.Path(), ": 2 devices: 2 passed, 0 failed"}),
                                      "2 ports, 4 devices: 4 passed, 0 failed"}));
}

// A record that cannot be written fails the run, and a --repeat ends with it:
// every later device would go unrecorded.
TEST(StationProcessTest, LogThatCannotBeWrittenEndsTheRunWithExitCodeTwo) {
  ToolsTempDir dir;
  PtyDevice device;
  ASSERT_EQ(device.Start().error(), "");
  ChildProcess loader({kLoader, "-p", device.Path(), "-d", dir.Write("db.csv", kThreeEntryDb),
                       "--log", "/dev/full", "--repeat", "--progress=none"});
  EXPECT_EQ(loader.Wait(10s), 2) << loader.Out() << loader.Err();
  EXPECT_NE(loader.Err().find("brenvik-load: cannot write to the log /dev/full: "),
            std::string::npos)
      << loader.Err();
  EXPECT_EQ(loader.OutLines(), (std::vector<std::string>{"Completed!", "device 1: Completed!",
                                                         "1 device: 1 passed, 0 failed"}));
}

}  // namespace
}  // namespace brenvik::device
