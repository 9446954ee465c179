// A device that breaks the rules: garbage answers, two answers to one frame,
// late answers, the same entry refused again and again, and silence in the
// middle of a long download. First the device's own answering, then whole
// downloads against it on a pseudo-terminal through the real serial port and
// download runner, with the real timings; then the device tool's options.
//
// The loader reads one byte per answer wait and discards nothing, so every
// byte the device sends is read by some wait, in the order it came.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "download/DownloadRunner.h"
#include "files/DbTable.h"
#include "files/MmiFileReader.h"
#include "serial/SerialPort.h"
#include "tools/ChildProcess.h"
#include "tools/DeviceTestSupport.h"
#include "tools/device/PtyDevice.h"
#include "tools/device/SimulatedDevice.h"

namespace brenvik::device {
namespace {

using namespace std::chrono_literals;
using test::DbBody;
using test::FrameOnLine;
using test::IndexesOf;
using test::PtyLine;
using test::ToolsTempDir;

constexpr uint8_t kAckByte = 0x06;
constexpr uint8_t kNakByte = 0x15;
constexpr unsigned kLast = 0xFFFF;  // the index field of the last entry

// One answer as a short text: its bytes by name and its delay, "none" for no answer.
std::string AnswerText(const Answer& answer) {
  if (answer.bytes.empty()) return "none";
  std::string text;
  for (uint8_t byte : answer.bytes) {
    if (!text.empty()) text += ' ';
    text += AnswerName(byte);
  }
  if (answer.delay.count() > 0) {
    text += " +";
    text += std::to_string(answer.delay.count());
    text += "ms";
  }
  return text;
}

std::vector<std::string> AnswerTexts(const std::vector<Answer>& answers) {
  std::vector<std::string> texts;
  texts.reserve(answers.size());
  for (const Answer& answer : answers) texts.push_back(AnswerText(answer));
  return texts;
}

// --- The device's answering, without a line ---------------------------------

// Frames of a five-entry download, by what they carry: the first frame, then
// the entry frames of index 1 to 3 and the last one.
std::string DbFrame(unsigned indexOrCount) {
  return FrameOnLine(DbBody(indexOrCount == 5 ? 0x80 : 0x82, static_cast<uint16_t>(indexOrCount)));
}

struct AnsweringCase {
  const char* name;
  const DevicePolicy* policy;
  std::vector<unsigned> frames;      // index field of each frame fed (5: the first frame)
  std::vector<std::string> answers;  // the answer to each frame
};

TEST(MisbehavingDeviceTest, AnswersAsTheMisbehaviourPolicySays) {
  DevicePolicy garbage;
  garbage.answerScript[1] = {0x41, 0x7F, 0xFF};
  DevicePolicy twice;
  twice.answerScript[1] = {kAckByte, kAckByte};
  DevicePolicy mute;
  mute.answerScript[2] = {};
  DevicePolicy firstToo;
  firstToo.answerScript[0] = {kAckByte};
  DevicePolicy silentWins;
  silentWins.silent = true;
  silentWins.answerScript[1] = {0x41};
  DevicePolicy fallsSilent;
  fallsSilent.silentAfterFrame = 1;
  fallsSilent.answerScript[2] = {0x41};
  DevicePolicy refuseTwo;
  refuseTwo.indexNaks = {{2, 2}};
  DevicePolicy refuseLast;
  refuseLast.indexNaks = {{0xFFFF, 1}};
  DevicePolicy late;
  late.answerDelay = 300ms;
  late.frameDelays[2] = 1200ms;
  late.answerScript[3] = {kAckByte, kAckByte};

  const AnsweringCase cases[] = {
      {"garbage: all three bytes answer the one frame",
       &garbage,
       {5, 1, 2},
       {"none", "0x41 0x7F 0xFF", "ACK"}},
      {"two answers to one frame", &twice, {5, 1, 2}, {"none", "ACK ACK", "ACK"}},
      {"an empty script: no answer", &mute, {5, 1, 2}, {"none", "ACK", "none"}},
      {"a script answers the first frame too", &firstToo, {5, 1}, {"ACK", "ACK"}},
      {"silence overrides a script", &silentWins, {5, 1}, {"none", "none"}},
      {"silent after frame 1, script or not",
       &fallsSilent,
       {5, 1, 2, 3},
       {"none", "ACK", "none", "none"}},
      {"index 2 refused twice, wherever it comes",
       &refuseTwo,
       {5, 1, 2, 1, 2, 1, 2},
       {"none", "ACK", "NAK", "ACK", "NAK", "ACK", "ACK"}},
      {"the last entry refused once", &refuseLast, {5, kLast, kLast}, {"none", "NAK", "ACK"}},
      {"delays: every answer, one frame's own",
       &late,
       {5, 1, 2, 3},
       {"none", "ACK +300ms", "ACK +1200ms", "ACK ACK +300ms"}},
  };
  for (const AnsweringCase& c : cases) {
    SimulatedDevice device(*c.policy);
    std::vector<Answer> answers;
    for (unsigned frame : c.frames) {
      const std::string line = DbFrame(frame);
      device.Feed(reinterpret_cast<const uint8_t*>(line.data()), line.size(), answers);
    }
    EXPECT_EQ(AnswerTexts(device.Answers()), c.answers) << c.name;
    // What was handed out for sending is the answered frames' answers, in order.
    std::vector<std::string> sent;
    for (const std::string& text : c.answers) {
      if (text != "none") sent.push_back(text);
    }
    EXPECT_EQ(AnswerTexts(answers), sent) << c.name;
  }
}

TEST(MisbehavingDeviceTest, FrameRecordsTheFirstByteAndTheLineNamesThemAll) {
  DevicePolicy garbage;
  garbage.answerScript[1] = {0x41, 0x7F, 0xFF};
  garbage.frameDelays[2] = 1200ms;
  SimulatedDevice device(garbage);
  std::vector<uint8_t> flat;
  std::vector<DeviceEvent> events;
  const std::string line = test::Join({DbFrame(5), DbFrame(1), DbFrame(2)});
  device.Feed(reinterpret_cast<const uint8_t*>(line.data()), line.size(), flat, &events);

  // Without a clock the bytes come run together, delays left out.
  EXPECT_EQ(flat, (std::vector<uint8_t>{0x41, 0x7F, 0xFF, kAckByte}));
  ASSERT_EQ(device.Frames().size(), 3u);
  EXPECT_TRUE(device.Frames()[1].answered);
  EXPECT_EQ(device.Frames()[1].answer, 0x41);
  std::vector<std::string> lines;
  lines.reserve(events.size());
  for (const DeviceEvent& event : events) lines.push_back(DescribeFrame(event.frame, event.answer));
  EXPECT_EQ(lines, (std::vector<std::string>{
                       "frame 0: 0x80 count 5, checksum good, no answer",
                       "frame 1: 0x82 index 1, checksum good, answered 0x41 0x7F 0xFF",
                       "frame 2: 0x82 index 2, checksum good, answered ACK after 1200 ms",
                   }));
}

TEST(MisbehavingDeviceTest, AnswerQueueLetsAPromptAnswerOvertakeALateOne) {
  const AnswerQueue::Clock::time_point t0{};
  AnswerQueue queue;
  queue.Add({{kAckByte}, 1200ms}, t0);
  queue.Add({{kNakByte}, 0ms}, t0 + 10ms);
  queue.Add({{0x41, 0x7F}, 0ms}, t0 + 10ms);
  queue.Add({{}, 0ms}, t0 + 10ms);  // no answer: nothing to send

  EXPECT_EQ(queue.TakeDue(t0 + 9ms), std::vector<uint8_t>{});
  EXPECT_EQ(queue.TakeDue(t0 + 10ms), (std::vector<uint8_t>{kNakByte, 0x41, 0x7F}));
  ASSERT_TRUE(queue.NextDue().has_value());
  EXPECT_EQ(*queue.NextDue(), t0 + 1200ms);
  EXPECT_EQ(queue.TakeDue(t0 + 1199ms), std::vector<uint8_t>{});
  EXPECT_EQ(queue.TakeDue(t0 + 1200ms), std::vector<uint8_t>{kAckByte});
  EXPECT_TRUE(queue.Empty());
  EXPECT_FALSE(queue.NextDue().has_value());
}

// --- Whole downloads on a pseudo-terminal -----------------------------------

// A table of `count` entries whose codes name them: E0000, E0001, ...
void FillTable(DbTable& table, int count) {
  table.count = count;
  for (int i = 0; i < count && i < kMaxDbEntries; ++i) {
    DbRecord& record = table.records[i];
    record = DbRecord{};
    std::snprintf(record.code, sizeof record.code, "E%04d", i);
  }
}

constexpr const char* kMmi =
    "s1,1,\ns2,0,\ns3,5,\ns4,2,\ns5,9,\nt1,FIRST TEXT,\nt2,SECOND TEXT,\nt3,THIRD TEXT,\n";

TEST(MisbehavingDeviceTest, GarbageAnswerEndsTheDbDownloadWithOnlyItsFirstByteRead) {
  DevicePolicy policy;
  policy.answerScript[3] = {0x41, 0x7F, 0xFF};
  PtyLine line(policy);
  FillTable(line.ctx->dbTable, 5);
  ASSERT_TRUE(line.Connect());

  EXPECT_EQ(line.Run(DownloadKind::Db), "ERR: DB no ACK!k = 01, ret = 41, retry = 0");
  const std::vector<ReceivedFrame> frames = line.device.Frames();
  EXPECT_EQ(IndexesOf(frames), (std::vector<unsigned>{5, 1, 2, 3}));
  for (const ReceivedFrame& frame : frames) EXPECT_TRUE(frame.valid) << frame.problem;
  EXPECT_EQ(frames[0].command, 0x80);
  EXPECT_EQ(AnswerTexts(line.device.Answers()),
            (std::vector<std::string>{"none", "ACK", "ACK", "0x41 0x7F 0xFF"}));
  // The wait took one byte; the other two are still queued for the next one.
  EXPECT_EQ(line.Leftover(2, 500ms), (std::vector<uint8_t>{0x7F, 0xFF}));
  EXPECT_TRUE(line.txErrors.empty());
}

TEST(MisbehavingDeviceTest, DoubleAckLeavesEveryLaterWaitReadingTheAnswerToTheFrameBefore) {
  // Frame 1 is answered twice; the device then refuses frame 3 and, after the
  // DB, the MMI frame (frame 7).
  DevicePolicy policy;
  policy.answerScript[1] = {kAckByte, kAckByte};
  policy.nakFrames = {3, 7};
  PtyLine line(policy);
  FillTable(line.ctx->dbTable, 5);
  ToolsTempDir dir;
  ASSERT_TRUE(ReadMmiFile(line.ctx->mmiBlock, dir.Write("in-mmi.csv", kMmi).c_str()));
  ASSERT_TRUE(line.Connect());

  // The wait of frame 4 reads the NAK to frame 3, so the step back comes one
  // frame late: index 3 goes again behind the last entry, and the extra ACK
  // keeps the whole download one answer behind to its end.
  EXPECT_EQ(line.Run(DownloadKind::Db), "Completed!");
  EXPECT_EQ(IndexesOf(line.device.Frames()), (std::vector<unsigned>{5, 1, 2, 3, kLast, 3, kLast}));
  EXPECT_EQ(AnswerTexts(line.device.Answers()),
            (std::vector<std::string>{"none", "ACK ACK", "ACK", "NAK", "ACK", "ACK", "ACK"}));

  // The DB's last answer is still queued when the MMI download starts, which
  // drops it: the refusal of the MMI frame is what the MMI download reads.
  EXPECT_EQ(line.Run(DownloadKind::Mmi), "ERR: MMI no ACK!k = 01, ret = 15, retry = 0");
  ASSERT_EQ(line.device.FrameCount(), 8u);
  EXPECT_EQ(line.device.Frames()[7].command, 0x8A);
  EXPECT_EQ(AnswerText(line.device.Answers()[7]), "NAK");
  EXPECT_EQ(line.Leftover(1, 200ms), std::vector<uint8_t>{});
}

TEST(MisbehavingDeviceTest, LateAnswerTimesTheDbDownloadOutAndStaysQueued) {
  // 1300 ms: well behind the loader's 1010 ms wait.
  DevicePolicy policy;
  policy.frameDelays[1] = 1300ms;
  PtyLine line(policy);
  FillTable(line.ctx->dbTable, 3);
  ASSERT_TRUE(line.Connect());

  EXPECT_EQ(line.Run(DownloadKind::Db), "ERR: DB rx timeout!k = 00, ret = 00, retry = 10");
  EXPECT_EQ(IndexesOf(line.device.Frames()), (std::vector<unsigned>{3, 1}));
  EXPECT_EQ(AnswerTexts(line.device.Answers()), (std::vector<std::string>{"none", "ACK +1300ms"}));
  // The loader has given up; the ACK still comes and waits for the next read.
  EXPECT_EQ(line.Leftover(1, 1000ms), std::vector<uint8_t>{kAckByte});
  EXPECT_EQ(line.device.AnswerBytesSent(), 1u);
}

TEST(MisbehavingDeviceTest, FiftyNaksOfOneEntrySendTheEntryBeforeItEachTimeThenComplete) {
  DevicePolicy policy;
  policy.indexNaks = {{2, 50}};
  PtyLine line(policy);
  FillTable(line.ctx->dbTable, 4);
  ASSERT_TRUE(line.Connect());

  EXPECT_EQ(line.Run(DownloadKind::Db), "Completed!");
  std::vector<unsigned> expected = {4, 1};
  std::vector<std::string> answers = {"none", "ACK"};
  for (int refusal = 0; refusal < 50; ++refusal) {
    expected.insert(expected.end(), {2, 1});
    answers.insert(answers.end(), {"NAK", "ACK"});
  }
  expected.insert(expected.end(), {2, kLast});
  answers.insert(answers.end(), {"ACK", "ACK"});
  const std::vector<ReceivedFrame> frames = line.device.Frames();
  EXPECT_EQ(IndexesOf(frames), expected);
  EXPECT_EQ(AnswerTexts(line.device.Answers()), answers);
  for (const ReceivedFrame& frame : frames) EXPECT_TRUE(frame.valid) << frame.problem;
  EXPECT_TRUE(line.device.HasDb());
}

TEST(MisbehavingDeviceTest, DeviceSilentAfterTwentyEntriesOfThreeThousandTimesTheDownloadOut) {
  DevicePolicy policy;
  policy.silentAfterFrame = 20;  // frame 0 is the first frame, 1 to 20 the first entries
  PtyLine line(policy);
  FillTable(line.ctx->dbTable, 3000);
  ASSERT_TRUE(line.Connect());

  ASSERT_TRUE(line.Start(DownloadKind::Db));
  ASSERT_TRUE(line.device.WaitForFrames(22, 10s));
  // While the unanswered frame waits: 21 of 3000 sent, under one percent.
  EXPECT_EQ(line.Status(DownloadKind::Db), "Writing...0%, 21/3000");
  EXPECT_EQ(line.Finish(DownloadKind::Db), "ERR: DB rx timeout!k = 00, ret = 00, retry = 10");

  const std::vector<ReceivedFrame> frames = line.device.Frames();
  ASSERT_EQ(frames.size(), 22u);
  EXPECT_EQ(frames[0].command, 0x80);
  EXPECT_EQ(frames[0].body[3], 0xB8) << "the count 3000, low byte first";
  EXPECT_EQ(frames[0].body[4], 0x0B);
  std::vector<unsigned> indexes = {3000};
  std::vector<std::string> answers = {"none"};
  for (unsigned index = 1; index <= 21; ++index) {
    indexes.push_back(index);
    answers.emplace_back(index <= 20 ? "ACK" : "none");
  }
  EXPECT_EQ(IndexesOf(frames), indexes);
  EXPECT_EQ(AnswerTexts(line.device.Answers()), answers);
  for (const ReceivedFrame& frame : frames) EXPECT_TRUE(frame.valid) << frame.problem;
}

// --- The device tool's options ----------------------------------------------

constexpr const char* kLoader = BRENVIK_LOAD_PATH;
constexpr const char* kDeviceTool = BRENVIK_DEVICE_PATH;

constexpr const char* kThreeEntryDb =
    "3\n"
    "no,code,attribute,subEntryCount,label,value,text,...,tail\n"
    "1,P101,1,2,PUMP 1,0,STOP,1,RUN,P1,0,0\n"
    "2,V201,2,3,INLET VALVE,0,CLOSED,50,HALF,100,OPEN,V1,0,0\n"
    "3,T301,3,0,TANK LEVEL,T1,0,0\n";

TEST(MisbehavingDeviceTest, DeviceToolOptionsDelayAndScriptTheAnswers) {
  ToolsTempDir dir;
  // Index 1 refused twice (each time entry 0 goes again), every answer 40 ms
  // late but frame 4's, and frame 5 answered with garbage.
  test::ChildProcess device({kDeviceTool, "--nak-index", "1:2", "--delay", "40", "--delay-frame",
                             "4:0", "--answer-frame", "5:41,7F,FF"});
  ASSERT_TRUE(device.Started());
  ASSERT_TRUE(device.WaitForOut("\n", 5s)) << device.Err();
  const std::string first = device.Out().substr(0, device.Out().find('\n'));
  ASSERT_EQ(first.rfind("Device on /dev/", 0), 0u) << first;
  const std::string path = first.substr(std::string("Device on ").size());

  test::ChildProcess loader({kLoader, "--port", path, "--db", dir.Write("db.csv", kThreeEntryDb)});
  EXPECT_EQ(loader.Wait(10s), 5) << loader.Out() << loader.Err();
  const std::vector<std::string> loaderLines = loader.OutLines();
  ASSERT_FALSE(loaderLines.empty());
  // 40 ms late: the first read attempt finds nothing, the second the 0x41.
  EXPECT_EQ(loaderLines.back(), "ERR: DB no ACK!k = 01, ret = 41, retry = 1");

  device.Signal(SIGTERM);
  EXPECT_EQ(device.Wait(5s), 0);
  EXPECT_EQ(device.OutLines(),
            (std::vector<std::string>{
                first,
                "frame 0: 0x80 count 3, checksum good, no answer",
                "frame 1: 0x82 index 1, checksum good, answered NAK after 40 ms",
                "frame 2: 0x82 index 0, checksum good, answered ACK after 40 ms",
                "frame 3: 0x82 index 1, checksum good, answered NAK after 40 ms",
                "frame 4: 0x82 index 0, checksum good, answered ACK",
                "frame 5: 0x82 index 1, checksum good, answered 0x41 0x7F 0xFF after 40 ms",
                "stopped after 6 frame(s)",
            }));
}

TEST(MisbehavingDeviceTest, DeviceToolHelpListsTheMisbehaviourOptions) {
  test::ChildProcess help({kDeviceTool, "--help"});
  ASSERT_TRUE(help.Started());
  EXPECT_EQ(help.Wait(5s), 0);
  for (const char* option : {"--answer-frame N:HEX[,HEX...]", "--delay MS", "--delay-frame N:MS",
                             "--silent-after N", "--nak-index I:TIMES"}) {
    EXPECT_NE(help.Out().find(option), std::string::npos) << option;
  }
}

}  // namespace
}  // namespace brenvik::device
