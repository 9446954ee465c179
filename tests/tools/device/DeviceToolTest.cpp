// brenvik-device and brenvik-load together, as two processes, the way the
// README shows them.

#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "tools/ChildProcess.h"
#include "tools/DeviceTestSupport.h"

namespace brenvik::device {
namespace {

using namespace std::chrono_literals;
using test::ChildProcess;
using test::ToolsTempDir;

constexpr const char* kLoader = BRENVIK_LOAD_PATH;
constexpr const char* kDevice = BRENVIK_DEVICE_PATH;

// In the device's own file format, so what it writes back must be the same bytes.
constexpr const char* kDb =
    "3\n"
    "no,code,attribute,subEntryCount,label,value,text,...,tail\n"
    "1,P101,1,2,PUMP 1,0,STOP,1,RUN,P1,0,0\n"
    "2,V201,2,3,INLET VALVE,0,CLOSED,50,HALF,100,OPEN,V1,0,0\n"
    "3,T301,3,0,TANK LEVEL,T1,0,0\n";
constexpr const char* kMmi =
    "s1,1,\ns2,0,\ns3,5,\ns4,2,\ns5,9,\nt1,FIRST TEXT,\nt2,SECOND TEXT,\nt3,THIRD TEXT,\n";

TEST(DeviceToolTest, DeviceToolAnswersTheLoaderAndWritesBackWhatArrived) {
  ToolsTempDir dir;
  ChildProcess device({kDevice, "--nak", "2", "--db-out", dir.Path("got-db.csv"), "--mmi-out",
                       dir.Path("got-mmi.csv")});
  ASSERT_TRUE(device.Started());
  ASSERT_TRUE(device.WaitForOut("\n", 5s)) << device.Err();
  const std::string first = device.Out().substr(0, device.Out().find('\n'));
  ASSERT_EQ(first.rfind("Device on /dev/", 0), 0u) << first;
  const std::string path = first.substr(std::string("Device on ").size());

  ChildProcess db({kLoader, "--port", path, "--db", dir.Write("in-db.csv", kDb)});
  EXPECT_EQ(db.Wait(10s), 0) << db.Out() << db.Err();
  ChildProcess mmi({kLoader, "--port", path, "--mmi", dir.Write("in-mmi.csv", kMmi)});
  EXPECT_EQ(mmi.Wait(10s), 0) << mmi.Out() << mmi.Err();
  ASSERT_TRUE(device.WaitForOut(test::Join({"wrote ", dir.Path("got-mmi.csv")}), 5s))
      << device.Out();

  device.Signal(SIGTERM);
  EXPECT_EQ(device.Wait(5s), 0);
  const std::vector<std::string> lines = device.OutLines();
  const std::vector<std::string> expected = {
      first,
      "frame 0: 0x80 count 3, checksum good, no answer",
      "frame 1: 0x82 index 1, checksum good, answered ACK",
      "frame 2: 0x82 index 0xFFFF (last), checksum good, answered NAK",
      "frame 3: 0x82 index 1, checksum good, answered ACK",
      "frame 4: 0x82 index 0xFFFF (last), checksum good, answered ACK",
      "database complete",
      test::Join({"wrote ", dir.Path("got-db.csv")}),
      "frame 5: 0x8A MMI, checksum good, answered ACK",
      "MMI settings received",
      test::Join({"wrote ", dir.Path("got-mmi.csv")}),
      "stopped after 6 frame(s)",
  };
  EXPECT_EQ(lines, expected);
  EXPECT_EQ(test::ReadWholeFile(dir.Path("got-db.csv")), kDb);
  EXPECT_EQ(test::ReadWholeFile(dir.Path("got-mmi.csv")), kMmi);
}

TEST(DeviceToolTest, DeviceToolRefusesBadOptions) {
  const struct {
    std::vector<std::string> args;
    std::string says;
    int exitCode = 2;
  } cases[] = {
      {{"--nak", "x,y"}, "--nak needs frame numbers: N[,M...]\nTry 'brenvik-device --help'.\n"},
      {{"--device", "/dev/nonexistent"}, "/dev/nonexistent: no such device; check that the", 1},
  };
  for (const auto& [args, says, exitCode] : cases) {
    std::vector<std::string> argv = {kDevice};
    argv.insert(argv.end(), args.begin(), args.end());
    ChildProcess device(argv);
    ASSERT_TRUE(device.Started());
    EXPECT_EQ(device.Wait(5s), exitCode) << args[0];
    EXPECT_NE(device.Err().find("brenvik-device: " + says), std::string::npos) << device.Err();
    EXPECT_EQ(device.Err().find("brenvik-device --help") != std::string::npos, exitCode == 2)
        << device.Err();
  }
}

}  // namespace
}  // namespace brenvik::device
