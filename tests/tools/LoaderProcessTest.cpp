// brenvik-load as a script runs it: a child process on a pseudo-terminal
// device, judged by its output lines and exit code.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "ChildProcess.h"
#include "DeviceTestSupport.h"
#include "serial/PortList.h"
#include "serial/SerialPort.h"
#include "tools/device/PtyDevice.h"

namespace brenvik::device {
namespace {

using namespace std::chrono_literals;
using test::ChildProcess;
using test::Join;
using test::ToolsTempDir;

constexpr const char* kLoader = BRENVIK_LOAD_PATH;

constexpr const char* kThreeEntryDb =
    "3\n"
    "heading\n"
    "1,P101,1,2,PUMP 1,0,STOP,1,RUN,P1,0,0\n"
    "2,V201,2,3,INLET VALVE,0,CLOSED,50,HALF,100,OPEN,V1,0,0\n"
    "3,T301,3,0,TANK LEVEL,T1,0,0\n";

bool Contains(const std::vector<std::string>& lines, const std::string& line) {
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

// The port is named as udev names an adapter in /dev/serial/by-id: a link to the device.
TEST(LoaderProcessTest, DbDownloadThroughAByIdNamePrintsItsStatusLinesAndEndsCompleted) {
  ToolsTempDir dir;
  PtyDevice device;
  ASSERT_TRUE(device.Start()) << device.Error();
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
  std::string stderrHas;
};

TEST(LoaderProcessTest, ExitCodesTellWhatWentWrong) {
  ToolsTempDir dir;
  const std::string db = dir.Write("in-db.csv", kThreeEntryDb);
  const std::string missing = dir.Path("missing-db.csv");
  const std::string noPort = dir.Path("no-such-port");
  const std::string tooLong = dir.Write("long-db.csv", "4000\nheading\n");
  const ExitCase cases[] = {
      {"no arguments", {}, 2, "no --port given"},
      {"no file", {"--port", "COM1"}, 2, "exactly one of --db FILE and --mmi FILE"},
      {"both files", {"--port", "COM1", "--db", db, "--mmi", db}, 2, "exactly one of"},
      {"unknown option", {"--port", "COM1", "--db", db, "--fast"}, 2, "unknown argument --fast"},
      {"option without value", {"--port"}, 2, "--port needs a port"},
      {"file that is not there", {"--port", noPort, "--db", missing}, 3, missing},
      {"file the reader rejects", {"--port", noPort, "--db", tooLong}, 3, "count 4000 is above"},
      {"port that is not there",
       {"--port", noPort, "--db", db},
       4,
       Join({"brenvik-load: cannot open port ", noPort, ": ", noPort,
             ": no such device; check that the adapter is plugged in and the name is right\n"})},
      {"COM0 is no port", {"--port", "COM0", "--db", db}, 4, "cannot open port COM0: COM0 is not"},
  };
  for (const ExitCase& c : cases) {
    std::vector<std::string> argv = {kLoader};
    argv.insert(argv.end(), c.args.begin(), c.args.end());
    ChildProcess loader(argv);
    ASSERT_TRUE(loader.Started()) << c.name;
    EXPECT_EQ(loader.Wait(5s), c.exitCode) << c.name << "\n" << loader.Err();
    EXPECT_NE(loader.Err().find(c.stderrHas), std::string::npos) << c.name << "\n" << loader.Err();
  }
}

TEST(LoaderProcessTest, ListPortsPrintsOneLineOfFiveColumnsPerPortPresent) {
  ChildProcess loader({kLoader, "--list-ports"});
  ASSERT_TRUE(loader.Started());
  EXPECT_EQ(loader.Wait(5s), 0) << loader.Err();
  const PortListResult listed = ListPorts();
  const std::vector<std::string> lines = loader.OutLines();
  ASSERT_EQ(lines.size(), listed.ports.size()) << loader.Out();
  for (std::size_t i = 0; i < lines.size(); ++i) {
    EXPECT_EQ(lines[i].rfind(listed.ports[i].path + "\t", 0), 0u) << lines[i];
    EXPECT_EQ(std::count(lines[i].begin(), lines[i].end(), '\t'), 4) << lines[i];
  }
}

TEST(LoaderProcessTest, HelpNamesThePortFormsAndExitCodes) {
  ChildProcess loader({kLoader, "--help"});
  ASSERT_TRUE(loader.Started());
  EXPECT_EQ(loader.Wait(5s), 0);
  for (const char* part :
       {"--port PORT --db FILE", "--port PORT --mmi FILE", "COMn", "/dev/", "--list-ports",
        "/dev/serial/by-id", "Exit codes", "  5  the download failed or was stopped"}) {
    EXPECT_NE(loader.Out().find(part), std::string::npos) << part;
  }
}

TEST(LoaderProcessTest, SilentDeviceEndsTheDownloadWithExitCodeFive) {
  ToolsTempDir dir;
  DevicePolicy policy;
  policy.silent = true;
  PtyDevice device(policy);
  ASSERT_TRUE(device.Start()) << device.Error();
  ChildProcess loader(
      {kLoader, "--port", device.Path(), "--db", dir.Write("in-db.csv", kThreeEntryDb)});
  ASSERT_TRUE(loader.Started());

  EXPECT_EQ(loader.Wait(10s), 5) << loader.Out() << loader.Err();
  const std::vector<std::string> lines = loader.OutLines();
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.back().rfind("ERR: DB rx timeout!k = 00, ret = ", 0), 0u) << lines.back();
}

TEST(LoaderProcessTest, InterruptStopsTheDownloadAndReleasesThePort) {
  ToolsTempDir dir;
  PtyDevice device;
  ASSERT_TRUE(device.Start()) << device.Error();
  ChildProcess loader(
      {kLoader, "--port", device.Path(), "--db", dir.Write("in-db.csv", kThreeEntryDb)});
  ASSERT_TRUE(loader.Started());
  // The first frame has arrived: the download waits its half second behind it.
  ASSERT_TRUE(device.WaitForFrames(1, 5s));
  loader.Signal(SIGINT);

  EXPECT_EQ(loader.Wait(5s), 5) << loader.Out() << loader.Err();
  const std::vector<std::string> lines = loader.OutLines();
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.back().rfind("ERR: DB stopped", 0), 0u) << lines.back();
  EXPECT_EQ(device.FrameCount(), 1u) << "nothing is sent after the stop";
  SerialPort port;
  EXPECT_EQ(port.OpenPath(device.Path().c_str()), 1) << "the loader let the port go";
}

TEST(LoaderProcessTest, DeviceGoneDuringTheDownloadIsNamedAndEndsWithExitCodeFive) {
  ToolsTempDir dir;
  auto device = std::make_unique<PtyDevice>();
  ASSERT_TRUE(device->Start()) << device->Error();
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
}

}  // namespace
}  // namespace brenvik::device
