#include "serial/FrameLink.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "LinkHarness.h"
#include "files/RecordingConsole.h"

namespace brenvik::test {
namespace {

// Builds a frame in the buffer from body bytes 0 to LEN-1, sealed.
void BuildFrame(FrameBuffer& frame, const std::vector<uint8_t>& body) {
  std::memset(frame, 0, sizeof frame);
  frame[0] = kStx;
  std::memcpy(&frame[1], body.data(), body.size());
  FrameLink::SealFrame(frame);
}

// A database-sized first frame (LEN 0x52, command 0x80) with a zero payload.
void BuildFirstDbFrameOfZeros(FrameBuffer& frame) {
  FrameLink::StartFrame(frame, 0x52, 0x80);
  FrameLink::SealFrame(frame);
}

std::string LineText(const std::vector<uint8_t>& line) {
  return std::string(line.begin(), line.end());
}

struct PairCase {
  uint8_t byte;
  const char* pair;
};

TEST(FrameLink, EachBodyByteGoesOutAsTwoUppercaseHexDigits) {
  const PairCase cases[] = {{0x52, "52"}, {0xFF, "FF"}, {0x0A, "0A"}, {0x00, "00"}, {0xA0, "A0"}};
  for (const PairCase& c : cases) {
    LinkHarness h;
    BuildFrame(h.frame, {0x04, 0xFF, 0x80, c.byte});
    h.link.SendFrame(h.frame, Pacing::Unpaced);
    const std::string line = LineText(h.device.Line());
    ASSERT_EQ(line.size(), 1u + 10u + 1u) << int(c.byte);
    EXPECT_EQ(line.substr(7, 2), c.pair) << int(c.byte);
  }
}

TEST(FrameLink, ChecksumCoversLenAndGoesOutAsHexBeforeRawEtx) {
  LinkHarness h;
  // 0x04 + 0xFF + 0x0A + 0x52 = 0x15F
  BuildFrame(h.frame, {0x04, 0xFF, 0x0A, 0x52});
  EXPECT_EQ(h.frame[5], 0x5F);
  EXPECT_EQ(h.frame[6], kEtx);
  h.link.SendFrame(h.frame, Pacing::Unpaced);
  EXPECT_EQ(LineText(h.device.Line()),
            "\x02"
            "04FF0A525F"
            "\x03");
}

TEST(FrameLink, ChecksumOfAMultipleOf256GoesOutAsTwoZeros) {
  LinkHarness h;
  // 0x04 + 0xFF + 0x80 + 0x7D = 0x200
  BuildFrame(h.frame, {0x04, 0xFF, 0x80, 0x7D});
  h.link.SendFrame(h.frame, Pacing::Unpaced);
  EXPECT_EQ(LineText(h.device.Line()),
            "\x02"
            "04FF807D00"
            "\x03");
}

TEST(FrameLink, SealingReplacesWhatLiesAtTheChecksumAndEtxOffsets) {
  LinkHarness h;
  std::memset(h.frame, 0x77, sizeof h.frame);
  h.frame[1] = 0x04;
  h.frame[2] = 0xFF;
  h.frame[3] = 0x80;
  h.frame[4] = 0x00;
  FrameLink::SealFrame(h.frame);
  EXPECT_EQ(h.frame[5], 0x83);
  EXPECT_EQ(h.frame[6], kEtx);
  EXPECT_EQ(h.frame[7], 0x77);
}

// Each frame reaches the console in one call, STX to ETX, so that one
// frame's trace is never broken up.
TEST(FrameLink, TraceHandsEachWholeFrameToTheConsoleInOneCall) {
  LinkHarness h;
  RecordingConsole console;
  h.link.SetConsole(console);
  h.link.SetTrace(true);
  BuildFrame(h.frame, {0x04, 0xFF, 0x0A, 0x52});
  h.link.TraceFrame(h.frame);
  h.link.TraceFrame(h.frame);
  const std::vector<uint8_t> frame{kStx, 0x04, 0xFF, 0x0A, 0x52, 0x5F, kEtx};
  EXPECT_EQ(console.frames, (std::vector<std::vector<uint8_t>>{frame, frame}));
  EXPECT_EQ(console.out + console.err, "");

  h.link.SetTrace(false);
  h.link.TraceFrame(h.frame);
  EXPECT_EQ(console.frames.size(), 2u) << "nothing is traced with tracing off";
}

TEST(FrameLink, PacedFrameSleeps2AfterStxAnd5AfterEachPairThenDrains) {
  LinkHarness h;
  BuildFirstDbFrameOfZeros(h.frame);
  EXPECT_EQ(h.link.SendFrame(h.frame, Pacing::Paced).count, 2);

  std::vector<int> expected{2};
  expected.insert(expected.end(), 83, 5);
  EXPECT_EQ(h.clock.Sleeps(), expected);
  EXPECT_EQ(h.device.Line().size(), 168u);
  // Drained once, after the ETX: the answer wait starts when the frame has left.
  EXPECT_EQ(h.device.Drains(), std::vector<std::size_t>{168});
  // Each pair is one write, written 5 ms after the one before.
  const auto writes = h.device.Writes();
  ASSERT_EQ(writes.size(), 85u);
  EXPECT_EQ(writes[1].atMs, 2);
  EXPECT_EQ(writes[2].atMs, 7);
  EXPECT_EQ(writes[84].atMs, 2 + 83 * 5);
  EXPECT_EQ(writes[1].requested, 2);
}

TEST(FrameLink, UnpacedFrameDoesNotSleep) {
  LinkHarness h;
  BuildFrame(h.frame, {0x04, 0xFF, 0x82, 0x01});
  h.link.SendFrame(h.frame, Pacing::Unpaced);
  EXPECT_TRUE(h.clock.Sleeps().empty());
  EXPECT_EQ(h.device.Drains(), std::vector<std::size_t>{12});
}

struct ShortWriteCase {
  const char* name;
  int shortCall;  // write call that fails (1 = first pair)
  int accepted;
  const char* line;
  std::vector<int> sleeps;
  const char* box;
};

TEST(FrameLink, ShortPairWriteShowsMessageSkipsTheRestAndStillSendsEtx) {
  const ShortWriteCase cases[] = {
      {"first pair takes 1",
       1,
       1,
       "\x02"
       "0"
       "\x03",
       {2, 5},
       "Error, expected 2 but 1"},
      {"first pair takes 0", 1, 0, "\x02\x03", {2, 5}, "Error, expected 2 but 0"},
      {"third pair takes 1",
       3,
       1,
       "\x02"
       "04FF"
       "8"
       "\x03",
       {2, 5, 5, 5},
       "Error, expected 2 but 1"},
  };
  for (const ShortWriteCase& c : cases) {
    LinkHarness h;
    h.device.ShortWriteAt(c.shortCall, c.accepted);
    BuildFrame(h.frame, {0x04, 0xFF, 0x80, 0x01});
    const SendResult sent = h.link.SendFrame(h.frame, Pacing::Paced);
    EXPECT_EQ(sent.count, c.accepted) << c.name;
    EXPECT_EQ(LineText(h.device.Line()), c.line) << c.name;
    EXPECT_EQ(h.clock.Sleeps(), c.sleeps) << c.name;
    EXPECT_EQ(h.boxes, std::vector<std::string>{c.box}) << c.name;
    EXPECT_TRUE(sent.failed) << c.name;
  }
}

// An unpaced body is one write; a short one must look, on the line and in
// the message, exactly as if the pairs had been written one by one.
TEST(FrameLink, ShortUnpacedBodyIsReportedAsTheCutPairWouldBe) {
  const struct Case {
    int accepted;
    const char* line;
    const char* box;
  } cases[] = {
      // One case a line: the formatter would put each piece of a line on a line of its own.
      // clang-format off
      {0, "\x02\x03",            "Error, expected 2 but 0"},
      {1, "\x02" "0" "\x03",     "Error, expected 2 but 1"},
      {4, "\x02" "04FF" "\x03",  "Error, expected 2 but 0"},
      {5, "\x02" "04FF8" "\x03", "Error, expected 2 but 1"},
      // clang-format on
  };
  for (const Case& c : cases) {
    LinkHarness h;
    h.device.ShortWriteAt(1, c.accepted);
    BuildFrame(h.frame, {0x04, 0xFF, 0x82, 0x01});
    const SendResult sent = h.link.SendFrame(h.frame, Pacing::Unpaced);
    EXPECT_EQ(sent.count, c.accepted % 2) << c.accepted;
    EXPECT_EQ(LineText(h.device.Line()), c.line) << c.accepted;
    EXPECT_EQ(h.boxes, std::vector<std::string>{c.box}) << c.accepted;
    EXPECT_TRUE(sent.failed) << c.accepted;
    EXPECT_TRUE(h.clock.Sleeps().empty());
  }
}

TEST(FrameLink, MessageComesBeforeEtxAndTheWaitRunsAfter) {
  LinkHarness h;
  std::vector<std::string> order;
  h.link.SetTxErrorHandler([&](const char*) {
    order.push_back("box etx=" + std::to_string(h.device.EtxCount()) +
                    " reads=" + std::to_string(h.device.ReadCalls()));
  });
  h.device.Close();
  BuildFrame(h.frame, {0x04, 0xFF, 0x80, 0x01});
  const SendResult sent = h.link.SendFrame(h.frame, Pacing::Unpaced);
  order.push_back(std::string("sent failed=") + (sent.failed ? "1" : "0"));
  const ReplyResult reply = h.link.AwaitReply();
  EXPECT_EQ(order, (std::vector<std::string>{"box etx=0 reads=0", "sent failed=1"}));
  EXPECT_EQ(reply.timedOut, 1);
  EXPECT_EQ(h.device.ReadCalls(), 10);
}

TEST(FrameLink, ClosedPortDuringPacedFrameShowsOneMessageWithCountZero) {
  LinkHarness h;
  h.clock.At(100, [&] { h.device.Close(); });
  BuildFirstDbFrameOfZeros(h.frame);
  const SendResult sent = h.link.SendFrame(h.frame, Pacing::Paced);
  EXPECT_EQ(sent.count, 0);
  EXPECT_TRUE(sent.failed);
  EXPECT_EQ(h.boxes, std::vector<std::string>{"Error, expected 2 but 0"});
  // The pairs before the close went out, nothing after it (not even ETX).
  EXPECT_EQ(h.device.EtxCount(), 0);
  EXPECT_EQ(h.device.Line().size(), 1u + 2u * 20u);
}

TEST(FrameLink, WithoutAMessageHandlerTheTextGoesToTheConsole) {
  LinkHarness h;
  RecordingConsole console;
  h.link.SetConsole(console);
  h.link.SetTxErrorHandler(nullptr);
  h.device.Close();
  BuildFrame(h.frame, {0x04, 0xFF, 0x80, 0x01});
  EXPECT_TRUE(h.link.SendFrame(h.frame, Pacing::Unpaced).failed);
  EXPECT_EQ(console.err, "Error, expected 2 but 0\n");
}

TEST(FrameLink, NoPortBehavesAsAClosedPort) {
  LinkHarness h;
  h.link.SetPort(nullptr);
  BuildFrame(h.frame, {0x04, 0xFF, 0x80, 0x01});
  EXPECT_EQ(h.link.SendFrame(h.frame, Pacing::Unpaced).count, 0);
  EXPECT_EQ(h.boxes, std::vector<std::string>{"Error, expected 2 but 0"});
  const ReplyResult reply = h.link.AwaitReply();
  EXPECT_EQ(reply.timedOut, 1);
  EXPECT_EQ(reply.k, 0);
  EXPECT_EQ(reply.retry, 10);
}

TEST(FrameLink, StopDuringPacedFrameSkipsThePairsButSendsEtxWithoutMessage) {
  LinkHarness h;
  h.clock.At(100, [&] { h.stop.Request(); });
  BuildFirstDbFrameOfZeros(h.frame);
  const SendResult sent = h.link.SendFrame(h.frame, Pacing::Paced);
  const auto line = h.device.Line();
  ASSERT_FALSE(line.empty());
  EXPECT_EQ(line.front(), kStx);
  EXPECT_EQ(line.back(), kEtx);
  EXPECT_LT(line.size(), 168u);
  EXPECT_TRUE(h.boxes.empty());
  EXPECT_TRUE(sent.stopped);
  EXPECT_FALSE(sent.failed);
  EXPECT_EQ(h.clock.Now(), 100);
  // And the answer wait that would follow ends before its first read.
  const ReplyResult reply = h.link.AwaitReply();
  EXPECT_TRUE(reply.stopped);
  EXPECT_EQ(h.device.ReadCalls(), 0);
}

struct WaitCase {
  const char* name;
  Answer answer;
  int32_t k;
  uint8_t ret;
  int32_t retry;
  int32_t timedOut;
  int64_t sleptMs;
};

TEST(AnswerWait, CountsEmptyAttemptsAndReadsOneByte) {
  const WaitCase cases[] = {
      {"first attempt", Answer::Ack(), 1, 0x06, 0, 0, 10},
      {"fourth attempt", Answer::After(3, 0x15), 1, 0x15, 3, 0, 310},
      {"tenth attempt", Answer::After(9, 0x06), 1, 0x06, 9, 0, 910},
      {"silence", Answer::Silent(), 0, 0x00, 10, 1, 1010},
      {"too late", Answer::After(10, 0x06), 0, 0x00, 10, 1, 1010},
  };
  for (const WaitCase& c : cases) {
    LinkHarness h;
    h.device.Script({c.answer});
    BuildFrame(h.frame, {0x04, 0xFF, 0x82, 0x01});
    h.link.SendFrame(h.frame, Pacing::Unpaced);
    const ReplyResult reply = h.link.AwaitReply();
    EXPECT_EQ(reply.k, c.k) << c.name;
    EXPECT_EQ(static_cast<uint8_t>(reply.ret), c.ret) << c.name;
    EXPECT_EQ(reply.retry, c.retry) << c.name;
    EXPECT_EQ(reply.timedOut, c.timedOut) << c.name;
    EXPECT_FALSE(reply.stopped) << c.name;
    EXPECT_EQ(h.clock.TotalSleptMs(), c.sleptMs) << c.name;
  }
}

TEST(AnswerWait, SilenceMakesTenAttemptsAndSleeps10Then10Times100) {
  LinkHarness h;
  h.device.Script({Answer::Silent()});
  BuildFrame(h.frame, {0x04, 0xFF, 0x82, 0x01});
  h.link.SendFrame(h.frame, Pacing::Unpaced);
  h.link.AwaitReply();
  std::vector<int> expected{10};
  expected.insert(expected.end(), 10, 100);
  EXPECT_EQ(h.clock.Sleeps(), expected);
  EXPECT_EQ(h.device.ReadCalls(), 10);
}

TEST(AnswerWait, StrayByteIsReadAloneAndTheAckStaysForTheNextWait) {
  LinkHarness h;
  h.device.Script({Answer::Bytes({0x41, 0x06})});
  BuildFrame(h.frame, {0x04, 0xFF, 0x82, 0x01});
  h.link.SendFrame(h.frame, Pacing::Unpaced);
  const ReplyResult first = h.link.AwaitReply();
  EXPECT_EQ(static_cast<uint8_t>(first.ret), 0x41);
  EXPECT_EQ(h.device.ReadCalls(), 1);
  const ReplyResult second = h.link.AwaitReply();
  EXPECT_EQ(static_cast<uint8_t>(second.ret), 0x06);
  EXPECT_EQ(second.retry, 0);
}

TEST(AnswerWait, StopRequestEndsTheWaitBeforeItsNextAttempt) {
  LinkHarness h;
  h.device.Script({Answer::Silent()});
  BuildFrame(h.frame, {0x04, 0xFF, 0x82, 0x01});
  h.link.SendFrame(h.frame, Pacing::Unpaced);
  h.clock.At(350, [&] { h.stop.Request(); });
  const ReplyResult reply = h.link.AwaitReply();
  EXPECT_TRUE(reply.stopped);
  EXPECT_EQ(reply.timedOut, 0);
  EXPECT_EQ(h.device.ReadCalls(), 4);  // attempts at 10, 110, 210, 310
  EXPECT_EQ(h.clock.Now(), 350);
}

}  // namespace
}  // namespace brenvik::test
