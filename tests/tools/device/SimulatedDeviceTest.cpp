#include "tools/device/SimulatedDevice.h"

#include <gtest/gtest.h>

#include <cstring>

#include "ScriptedDevice.h"
#include "tools/DeviceTestSupport.h"
#include "tools/device/PortLine.h"

namespace brenvik::device {
namespace {

using test::Body;
using test::DbBody;
using test::FrameOnLine;

constexpr uint8_t kAckByte = 0x06;
constexpr uint8_t kNakByte = 0x15;

// A record image with `code` at image offset 0 and `tail` at 72.
std::vector<uint8_t> Image(const std::string& code, const std::string& tail = "") {
  std::vector<uint8_t> image(77, 0);
  std::memcpy(image.data(), code.data(), code.size());
  std::memcpy(image.data() + 72, tail.data(), std::min<std::size_t>(tail.size(), 5));
  return image;
}

// What a database download of three entries puts on the line when all goes well.
std::vector<std::string> ThreeEntryDownload() {
  return {FrameOnLine(DbBody(0x80, 3, Image("E0"))), FrameOnLine(DbBody(0x82, 1, Image("E1"))),
          FrameOnLine(DbBody(0x82, 0xFFFF, Image("E2")))};
}

std::vector<uint8_t> Feed(SimulatedDevice& device, const std::string& line,
                          std::vector<DeviceEvent>* events = nullptr) {
  std::vector<uint8_t> answers;
  device.Feed(reinterpret_cast<const uint8_t*>(line.data()), line.size(), answers, events);
  return answers;
}

struct PolicyCase {
  const char* name;
  const DevicePolicy* policy;
  std::vector<std::string> frames;
  std::vector<uint8_t> answers;  // all answers, in order
};

TEST(SimulatedDeviceTest, AnswersEachFrameAsThePolicySays) {
  const std::vector<std::string> db = ThreeEntryDownload();
  const std::string mmi = FrameOnLine(Body(0x84, 0x8A, {0, 1}));
  const std::vector<uint8_t> entryBody = DbBody(0x82, 1, Image("E1"));
  const std::string badChecksum =
      test::FrameWithChecksum(entryBody, static_cast<uint8_t>(test::Checksum(entryBody) + 1));
  const DevicePolicy byDefault;
  DevicePolicy nakTwo;
  nakTwo.nakFrames = {2};
  DevicePolicy nakTwice;
  nakTwice.nakFrames = {1, 3};
  DevicePolicy silent;
  silent.silent = true;
  DevicePolicy answer41;
  answer41.answerByte = 0x41;
  DevicePolicy answerFirst;
  answerFirst.answerFirstFrame = true;
  DevicePolicy ackInvalid;
  ackInvalid.nakInvalidFrames = false;

  const PolicyCase cases[] = {
      {"default: no answer to the first DB frame, ACK to the rest",
       &byDefault,
       db,
       {kAckByte, kAckByte}},
      {"MMI frame is answered ACK", &byDefault, {mmi}, {kAckByte}},
      {"NAK on frame 2 once: its repetition is acknowledged",
       &nakTwo,
       {db[0], db[1], db[2], db[1], db[2]},
       {kAckByte, kNakByte, kAckByte, kAckByte}},
      {"NAK list", &nakTwice, {db[0], db[1], db[1], db[1]}, {kNakByte, kAckByte, kNakByte}},
      {"silent", &silent, {db[0], db[1], db[2], mmi}, {}},
      {"answer byte", &answer41, {db[0], db[1], mmi}, {0x41, 0x41}},
      {"answer the first frame too", &answerFirst, db, {kAckByte, kAckByte, kAckByte}},
      {"a frame that fails its checks is refused", &byDefault, {db[0], badChecksum}, {kNakByte}},
      {"... unless the policy says to acknowledge it",
       &ackInvalid,
       {db[0], badChecksum},
       {kAckByte}},
  };
  for (const PolicyCase& c : cases) {
    SimulatedDevice device(*c.policy);
    std::vector<uint8_t> answers;
    for (const std::string& frame : c.frames) {
      const std::vector<uint8_t> some = Feed(device, frame);
      answers.insert(answers.end(), some.begin(), some.end());
    }
    EXPECT_EQ(answers, c.answers) << c.name;
    ASSERT_EQ(device.Frames().size(), c.frames.size()) << c.name;
    for (std::size_t i = 0; i < device.Frames().size(); ++i) {
      EXPECT_EQ(device.Frames()[i].number, static_cast<int>(i)) << c.name;
    }
  }
}

TEST(SimulatedDeviceTest, AnswerIsRecordedWithItsFrame) {
  DevicePolicy policy;
  policy.nakFrames = {1};
  SimulatedDevice device(policy);
  for (const std::string& frame : ThreeEntryDownload()) Feed(device, frame);
  const auto& frames = device.Frames();
  ASSERT_EQ(frames.size(), 3u);
  EXPECT_FALSE(frames[0].answered);
  EXPECT_EQ(frames[0].answer, 0);
  EXPECT_TRUE(frames[1].answered);
  EXPECT_EQ(frames[1].answer, kNakByte);
  EXPECT_EQ(frames[2].answer, kAckByte);
  EXPECT_EQ(DescribeFrame(frames[0]), "frame 0: 0x80 count 3, checksum good, no answer");
  EXPECT_EQ(DescribeFrame(frames[1]), "frame 1: 0x82 index 1, checksum good, answered NAK");
  EXPECT_EQ(DescribeFrame(frames[2]),
            "frame 2: 0x82 index 0xFFFF (last), checksum good, answered ACK");
}

TEST(SimulatedDeviceTest, CutFrameIsNeverAnswered) {
  SimulatedDevice device;
  const std::string entry = FrameOnLine(DbBody(0x82, 1));
  EXPECT_EQ(Feed(device, test::Join({"\x02"
                                     "52FF",
                                     entry})),
            (std::vector<uint8_t>{kAckByte}));
  ASSERT_EQ(device.Frames().size(), 2u);
  EXPECT_FALSE(device.Frames()[0].answered);
}

TEST(SimulatedDeviceTest, RebuildsTheDatabaseFromItsFramesInAnyOrder) {
  SimulatedDevice device;
  std::vector<DeviceEvent> events;
  const std::vector<std::string> db = ThreeEntryDownload();
  // NAK-style repetition: entry 1 twice, the last one after it.
  for (const std::string& frame : {db[0], db[1], db[1], db[2]}) Feed(device, frame, &events);
  ASSERT_TRUE(device.Received().HasDb());
  const DbTable& table = device.Received().Db();
  EXPECT_EQ(table.count, 3);
  EXPECT_STREQ(table.records[0].code, "E0");
  EXPECT_STREQ(table.records[1].code, "E1");
  EXPECT_STREQ(table.records[2].code, "E2");
  ASSERT_FALSE(events.empty());
  EXPECT_EQ(events.back().kind, DeviceEvent::Kind::DbComplete);
}

TEST(SimulatedDeviceTest, RefusedLastFrameCompletesTheDatabaseOnlyWhenSentAgain) {
  DevicePolicy policy;
  policy.nakFrames = {2};
  SimulatedDevice device(policy);
  const std::vector<std::string> db = ThreeEntryDownload();
  for (const std::string& frame : db) Feed(device, frame);
  EXPECT_FALSE(device.Received().HasDb());
  Feed(device, db[1]);
  Feed(device, db[2]);
  EXPECT_TRUE(device.Received().HasDb());
}

TEST(SimulatedDeviceTest, LastFrameWithAGapLeavesTheDatabaseIncomplete) {
  SimulatedDevice device;
  const std::vector<std::string> db = ThreeEntryDownload();
  Feed(device, db[0]);
  Feed(device, db[2]);  // entry 1 never came
  EXPECT_FALSE(device.Received().HasDb());
}

TEST(SimulatedDeviceTest, OneEntryTableIsCompleteWithItsFirstFrame) {
  SimulatedDevice device;
  std::vector<DeviceEvent> events;
  Feed(device, FrameOnLine(DbBody(0x80, 1, Image("ONLY"))), &events);
  EXPECT_TRUE(device.Received().HasDb());
  EXPECT_STREQ(device.Received().Db().records[0].code, "ONLY");
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[1].kind, DeviceEvent::Kind::DbComplete);
}

TEST(SimulatedDeviceTest, MmiFrameGivesTheBlockItCarries) {
  SimulatedDevice device;
  std::vector<DeviceEvent> events;
  std::vector<uint8_t> payload = {0, 1, 0, 5, 2, 9};
  payload.resize(129, 0);
  std::memcpy(payload.data() + 6, "FIRST TEXT", 10);
  std::memcpy(payload.data() + 87, "SECOND TEXT", 11);
  std::memcpy(payload.data() + 108, "123456789012345678901", 21);  // no room for its NUL
  Feed(device, FrameOnLine(Body(0x84, 0x8A, payload)), &events);
  ASSERT_TRUE(device.Received().HasMmi());
  const MmiBlock& block = device.Received().Mmi();
  EXPECT_EQ(std::vector<uint8_t>(block.settings, block.settings + 5),
            (std::vector<uint8_t>{1, 0, 5, 2, 9}));
  EXPECT_STREQ(block.longText, "FIRST TEXT");
  EXPECT_STREQ(block.shortText1, "SECOND TEXT");
  EXPECT_STREQ(block.shortText2, "123456789012345678901");
  EXPECT_EQ(events.back().kind, DeviceEvent::Kind::MmiReceived);
}

TEST(SimulatedDeviceTest, StrayBytesAreReportedBeforeTheFrameBehindThem) {
  SimulatedDevice device;
  std::vector<DeviceEvent> events;
  Feed(device, test::Join({"??", FrameOnLine(DbBody(0x82, 1)), "!"}), &events);
  ASSERT_EQ(events.size(), 3u);
  EXPECT_EQ(events[0].kind, DeviceEvent::Kind::StrayBytes);
  EXPECT_EQ(events[0].strayBytes, (std::vector<uint8_t>{'?', '?'}));
  EXPECT_EQ(events[1].kind, DeviceEvent::Kind::Frame);
  EXPECT_EQ(events[2].kind, DeviceEvent::Kind::StrayBytes);
  EXPECT_EQ(device.StrayByteCount(), 3u);
}

// brenvik-device --device: the answer loop the pty uses, on a port.
TEST(SimulatedDeviceTest, DeviceOnAPortAnswersThroughThePortsWrites) {
  using namespace std::chrono_literals;
  test::ScriptedDevice port;
  const std::vector<std::string> db = ThreeEntryDownload();
  const std::string line = test::Join({db[0], db[1], db[2]});
  port.Queue(std::vector<uint8_t>(line.begin(), line.end()));
  DevicePolicy nakLast;
  nakLast.nakFrames = {2};
  AnsweringDevice device(nakLast);
  PortLine portLine(port);
  device.StartAnswering(portLine, "test-device");
  EXPECT_TRUE(device.WaitForFrames(3, 5s));
  device.Stop();
  // The first frame goes unanswered.
  EXPECT_EQ(port.Line(), (std::vector<uint8_t>{kAckByte, kNakByte}));
  EXPECT_EQ(device.AnswerBytesSent(), 2u);
}

}  // namespace
}  // namespace brenvik::device
