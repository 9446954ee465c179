// brenvik-load --publish against Debian's mosquitto (the fixture of
// tests/tools/load/mqtt-broker) and a subscriber that keeps what arrives: the
// records must reach it as the log holds them, whatever the broker does.

#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "base/FileDescriptor.h"
#include "tools/ChildProcess.h"
#include "tools/DeviceTestSupport.h"
#include "tools/device/PtyDevice.h"

namespace brenvik::device {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using test::ChildProcess;
using test::Join;
using test::ToolsTempDir;

constexpr const char* kLoader = BRENVIK_LOAD_PATH;
constexpr const char* kBrokerScript = BRENVIK_MQTT_BROKER;
constexpr const char* kBrokerDir = BRENVIK_MQTT_DIR;
constexpr const char* kDb =
    "2\nheading\n1,P101,1,2,PUMP 1,0,STOP,1,RUN,P1,0,0\n2,T301,3,0,TANK LEVEL,T1,0,0\n";

void Broker(const char* command) {
  ASSERT_EQ(std::system(Join({kBrokerScript, " ", command, " ", kBrokerDir}).c_str()), 0);
}

std::string BrokerPort(const char* which = "port") {
  std::string port = test::ReadWholeFile(Join({kBrokerDir, "/", which}));
  while (!port.empty() && port.back() == '\n') port.pop_back();
  return port;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// A subscriber to TOPIC/# with a session that outlives a broker restart.
class Subscriber {
 public:
  explicit Subscriber(std::string topic)
      : topic_(std::move(topic)),
        sub_({"/usr/bin/mosquitto_sub", "-h", "127.0.0.1", "-p", BrokerPort(), "-t", topic_ + "/#",
              "-q", "1", "-v", "-c", "-i", "sub-" + topic_}) {}

  // Whether the subscription stands: a probe published to it comes back.
  bool Ready() {
    for (int tries = 0; tries < 50; ++tries) {
      ChildProcess probe({"/usr/bin/mosquitto_pub", "-h", "127.0.0.1", "-p", BrokerPort(), "-t",
                          topic_ + "/probe", "-q", "1", "-m", "ready"});
      probe.Wait(5s);
      if (sub_.WaitForOut(topic_ + "/probe ready", 200ms)) return true;
    }
    return false;
  }

  // What arrived beside the probes, each record once (it may come twice
  // after a fault), once `count` of them are there or 10 s have gone by.
  std::vector<std::string> Records(std::size_t count) {
    const auto deadline = Clock::now() + std::chrono::seconds(10);
    for (;;) {
      std::vector<std::string> records;
      for (const std::string& line : Lines(sub_.Out())) {
        if (line.rfind(topic_ + "/probe ", 0) == 0) continue;
        if (std::find(records.begin(), records.end(), line) == records.end()) {
          records.push_back(line);
        }
      }
      if (records.size() >= count || Clock::now() > deadline) return records;
      // Collects what comes for a while: the text never does.
      (void)sub_.WaitForOut("\x01", 50ms);
    }
  }

 private:
  std::string topic_;
  ChildProcess sub_;
};

// What the subscriber should get for each line of the log: TOPIC/STATION/PORT, a space, the line.
std::vector<std::string> Expected(const std::string& topic, const std::string& logPath) {
  char host[256] = "";
  ::gethostname(host, sizeof host - 1);
  std::vector<std::string> expected;
  for (const std::string& line : Lines(test::ReadWholeFile(logPath))) {
    const std::size_t port = line.find(R"("port":")") + 8;
    const std::string path = line.substr(port, line.find('"', port) - port);
    expected.push_back(
        Join({topic, "/", host, "/", std::filesystem::path(path).filename().string(), " ", line}));
  }
  return expected;
}

// A listener that logs anyone in and then never acknowledges a record.
class SilentBroker {
 public:
  SilentBroker() {
    listener_.Reset(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    auto* any = reinterpret_cast<sockaddr*>(&address);
    EXPECT_EQ(::bind(listener_.Get(), any, size), 0);
    EXPECT_EQ(::listen(listener_.Get(), 4), 0);
    ::getsockname(listener_.Get(), any, &size);
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] {
      FileDescriptor client(::accept(listener_.Get(), nullptr, nullptr));
      char buffer[4096];
      bool answered = false;
      while (::read(client.Get(), buffer, sizeof buffer) > 0) {
        // The first read holds CONNECT: CONNACK, session not present, accepted.
        const char connack[] = {0x20, 0x02, 0x00, 0x00};
        if (!answered) answered = ::write(client.Get(), connack, sizeof connack) == 4;
      }
    });
  }
  // Its client has gone by then, or never came: shutting the listener down
  // wakes the accept.
  ~SilentBroker() {
    ::shutdown(listener_.Get(), SHUT_RDWR);
    thread_.join();
  }
  SilentBroker(const SilentBroker&) = delete;
  SilentBroker& operator=(const SilentBroker&) = delete;
  int Port() const { return port_; }

 private:
  FileDescriptor listener_;
  int port_ = 0;
  std::thread thread_;
};

struct Station {
  ToolsTempDir dir;
  std::string db = dir.Write("db.csv", kDb);
  std::string log = dir.Path("loads.jsonl");

  // A run of the loader on `devices`, publishing to `url`, with `extra` options.
  ChildProcess Load(const std::vector<PtyDevice*>& devices, const std::string& url,
                    const std::vector<std::string>& extra = {}) const {
    std::vector<std::string> argv = {kLoader,           "-d",        db, "--log", log,
                                     "--progress=none", "--publish", url};
    for (const PtyDevice* device : devices) argv.insert(argv.end(), {"-p", device->Path()});
    argv.insert(argv.end(), extra.begin(), extra.end());
    return ChildProcess(argv);
  }
};

std::string Url(int port, const std::string& topic, const std::string& user = "") {
  return Join(
      {"mqtt://", user, user.empty() ? "" : "@", "127.0.0.1:", std::to_string(port), "/", topic});
}

std::string Waiting(int port, const char* cause, int count) {
  return Join({"brenvik-load: mqtt://127.0.0.1:", std::to_string(port), ": ", cause, "; ",
               std::to_string(count), count == 1 ? " record" : " records",
               " waiting, sent when it is back\n"});
}

std::string StillWaiting(int port, int count) {
  return Join({"brenvik-load: mqtt://127.0.0.1:", std::to_string(port), ": ", std::to_string(count),
               count == 1 ? " record" : " records",
               " still waiting; the next run with this log sends them\n"});
}

std::size_t LogLineCount(const std::string& path) {
  return Lines(test::ReadWholeFile(path)).size();
}

TEST(PublishProcessTest, BrokerStoppedMidRunAndStartedAgainGetsEveryRecordAndTheRunPasses) {
  Broker("start");
  Subscriber sub("restart");
  ASSERT_TRUE(sub.Ready());
  Station station;
  // Three devices, each slower than the one before, so that their records
  // fall before, during and after the outage.
  PtyDevice fast;
  DevicePolicy slowPolicy;
  slowPolicy.answerDelay = 300ms;
  PtyDevice slow(slowPolicy);
  slowPolicy.answerDelay = 600ms;
  PtyDevice slowest(slowPolicy);
  for (PtyDevice* device : {&fast, &slow, &slowest}) ASSERT_EQ(device->Start().error(), "");
  const int port = std::stoi(BrokerPort());
  const auto started = Clock::now();
  ChildProcess loader = station.Load({&fast, &slow, &slowest}, Url(port, "restart"));
  ASSERT_TRUE(loader.Started());
  // The first record's way to the subscriber, measured.
  while (LogLineCount(station.log) < 1 && Clock::now() - started < std::chrono::seconds(10))
    std::this_thread::sleep_for(1ms);
  const auto appended = Clock::now();
  ASSERT_EQ(sub.Records(1).size(), 1u);
  std::cout << "a record reached the subscriber "
            << std::chrono::duration<double, std::milli>(Clock::now() - appended).count()
            << " ms after it was logged\n";
  Broker("stop");
  while (LogLineCount(station.log) < 2 && Clock::now() - started < std::chrono::seconds(20))
    std::this_thread::sleep_for(5ms);
  Broker("start");

  EXPECT_EQ(loader.Wait(30s), 0) << loader.Err();
  EXPECT_EQ(loader.Err(), Waiting(port, "connection lost", 0)) << loader.Err();
  EXPECT_EQ(sub.Records(3), Expected("restart", station.log));
  std::cout << "run of three with an outage: "
            << std::chrono::duration<double>(Clock::now() - started).count() << " s; records:\n"
            << test::ReadWholeFile(station.log);
}

TEST(PublishProcessTest, RecordsThatFoundNoBrokerOrNoAcknowledgementOrNoLoginGoOutWithTheNextRun) {
  Broker("start");
  PtyDevice device;
  ASSERT_EQ(device.Start().error(), "");
  const int port = std::stoi(BrokerPort());
  const int loginPort = std::stoi(BrokerPort("login-port"));
  int nobody = 0;
  {
    const SilentBroker gone;
    nobody = gone.Port();
  }
  const SilentBroker silent;
  const struct Fault {
    const char* topic;
    int brokerPort;
    std::string user;
    const char* password;
    std::string err;  // the run's warning against the fault
  } faults[] = {
      {"never-there", nobody, "", "", Waiting(nobody, "connection refused", 0)},
      {"no-acks", silent.Port(), "", "", Waiting(silent.Port(), "no acknowledgement", 1)},
      {"bad-login", loginPort, "station", "bad", Waiting(loginPort, "login refused", 0)},
  };
  for (const Fault& fault : faults) {
    SCOPED_TRACE(fault.topic);
    Subscriber sub(fault.topic);
    ASSERT_TRUE(sub.Ready());
    Station station;
    const std::string passwords = station.dir.Write("password", Join({fault.password, "\n"}));
    const std::vector<std::string> login =
        fault.user.empty() ? std::vector<std::string>{}
                           : std::vector<std::string>{"--publish-password-file", passwords};
    const int brokerPort = fault.brokerPort;
    const auto started = Clock::now();
    ChildProcess faulty = station.Load({&device}, Url(brokerPort, fault.topic, fault.user), login);
    EXPECT_EQ(faulty.Wait(20s), 0) << faulty.Err();
    EXPECT_EQ(faulty.Err(), fault.err + StillWaiting(brokerPort, 1));
    std::cout << fault.topic << ": the run took "
              << std::chrono::duration<double>(Clock::now() - started).count() << " s\n";

    // The next run with the log, to the broker that works: both records, in order.
    station.dir.Write("password", "good\n");
    const int goodPort = fault.user.empty() ? port : loginPort;
    ChildProcess next = station.Load({&device}, Url(goodPort, fault.topic, fault.user), login);
    EXPECT_EQ(next.Wait(20s), 0) << next.Err();
    EXPECT_EQ(next.Err(), "");
    EXPECT_EQ(sub.Records(2), Expected(fault.topic, station.log));
  }
}

}  // namespace
}  // namespace brenvik::device
