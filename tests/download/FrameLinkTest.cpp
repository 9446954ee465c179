#include "serial/FrameLink.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "DownloadHarness.h"

namespace brenvik::test {
namespace {

// Builds a frame in the context's buffer from body bytes 0 to LEN-1, sealed.
void BuildFrame(DownloadContext& ctx, const std::vector<uint8_t>& body) {
  std::memset(ctx.frameBuffer, 0, sizeof ctx.frameBuffer);
  ctx.frameBuffer[0] = kStx;
  std::memcpy(&ctx.frameBuffer[1], body.data(), body.size());
  SealFrame(ctx);
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
    Harness h;
    BuildFrame(*h.ctx, {0x04, 0xFF, 0x80, c.byte});
    SendFrame(*h.ctx, Pacing::Unpaced);
    const std::string line = LineText(h.device.Line());
    ASSERT_EQ(line.size(), 1u + 10u + 1u) << int(c.byte);
    EXPECT_EQ(line.substr(7, 2), c.pair) << int(c.byte);
  }
}

TEST(FrameLink, ChecksumCoversLenAndGoesOutAsHexBeforeRawEtx) {
  Harness h;
  // 0x04 + 0xFF + 0x0A + 0x52 = 0x15F
  BuildFrame(*h.ctx, {0x04, 0xFF, 0x0A, 0x52});
  EXPECT_EQ(h.ctx->frameBuffer[5], 0x5F);
  EXPECT_EQ(h.ctx->frameBuffer[6], kEtx);
  SendFrame(*h.ctx, Pacing::Unpaced);
  EXPECT_EQ(LineText(h.device.Line()),
            "\x02"
            "04FF0A525F"
            "\x03");
}

TEST(FrameLink, ChecksumOfAMultipleOf256GoesOutAsTwoZeros) {
  Harness h;
  // 0x04 + 0xFF + 0x80 + 0x7D = 0x200
  BuildFrame(*h.ctx, {0x04, 0xFF, 0x80, 0x7D});
  SendFrame(*h.ctx, Pacing::Unpaced);
  EXPECT_EQ(LineText(h.device.Line()),
            "\x02"
            "04FF807D00"
            "\x03");
}

TEST(FrameLink, SealingReplacesWhatLiesAtTheChecksumAndEtxOffsets) {
  Harness h;
  std::memset(h.ctx->frameBuffer, 0x77, sizeof h.ctx->frameBuffer);
  h.ctx->frameBuffer[1] = 0x04;
  h.ctx->frameBuffer[2] = 0xFF;
  h.ctx->frameBuffer[3] = 0x80;
  h.ctx->frameBuffer[4] = 0x00;
  SealFrame(*h.ctx);
  EXPECT_EQ(h.ctx->frameBuffer[5], 0x83);
  EXPECT_EQ(h.ctx->frameBuffer[6], kEtx);
  EXPECT_EQ(h.ctx->frameBuffer[7], 0x77);
}

TEST(FrameLink, TraceIsStxHexEtxWithNoLineEnd) {
  Harness h;
  h.ctx->traceFrames = true;
  BuildFrame(*h.ctx, {0x04, 0xFF, 0x0A, 0x52});
  testing::internal::CaptureStdout();
  TraceFrame(*h.ctx);
  TraceFrame(*h.ctx);
  const std::string out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(out,
            "\x02"
            "04FF0A525F"
            "\x03"
            "\x02"
            "04FF0A525F"
            "\x03");
}

TEST(FrameLink, TraceSinkGetsTheFrameBytesInsteadOfStandardOutput) {
  Harness h;
  h.ctx->traceFrames = true;
  std::vector<uint8_t> traced;
  h.ctx->traceSink = [&traced](const uint8_t* frame, std::size_t size) {
    traced.assign(frame, frame + size);
  };
  BuildFrame(*h.ctx, {0x04, 0xFF, 0x0A, 0x52});
  testing::internal::CaptureStdout();
  TraceFrame(*h.ctx);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
  EXPECT_EQ(traced, (std::vector<uint8_t>{kStx, 0x04, 0xFF, 0x0A, 0x52, 0x5F, kEtx}));
}

TEST(FrameLink, TraceIsSilentWhenTracingIsOff) {
  Harness h;
  BuildFrame(*h.ctx, {0x04, 0xFF, 0x0A, 0x52});
  testing::internal::CaptureStdout();
  TraceFrame(*h.ctx);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
}

TEST(FrameLink, PacedFrameSleeps2AfterStxAnd5AfterEachPairThenDrains) {
  Harness h;
  std::vector<uint8_t> body(0x52, 0);
  body[0] = 0x52;
  body[1] = 0xFF;
  body[2] = 0x80;
  BuildFrame(*h.ctx, body);
  EXPECT_EQ(SendFrame(*h.ctx, Pacing::Paced), 2);

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
  Harness h;
  BuildFrame(*h.ctx, {0x04, 0xFF, 0x82, 0x01});
  SendFrame(*h.ctx, Pacing::Unpaced);
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
    Harness h;
    h.device.ShortWriteAt(c.shortCall, c.accepted);
    BuildFrame(*h.ctx, {0x04, 0xFF, 0x80, 0x01});
    EXPECT_EQ(SendFrame(*h.ctx, Pacing::Paced), c.accepted) << c.name;
    EXPECT_EQ(LineText(h.device.Line()), c.line) << c.name;
    EXPECT_EQ(h.clock.Sleeps(), c.sleeps) << c.name;
    EXPECT_EQ(h.boxes, std::vector<std::string>{c.box}) << c.name;
    EXPECT_EQ(h.ctx->txError, 1) << c.name;
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
    Harness h;
    h.device.ShortWriteAt(1, c.accepted);
    BuildFrame(*h.ctx, {0x04, 0xFF, 0x82, 0x01});
    EXPECT_EQ(SendFrame(*h.ctx, Pacing::Unpaced), c.accepted % 2) << c.accepted;
    EXPECT_EQ(LineText(h.device.Line()), c.line) << c.accepted;
    EXPECT_EQ(h.boxes, std::vector<std::string>{c.box}) << c.accepted;
    EXPECT_EQ(h.ctx->txError, 1) << c.accepted;
    EXPECT_TRUE(h.clock.Sleeps().empty());
  }
}

TEST(FrameLink, MessageComesBeforeTxErrorAndEtxAndTheWaitRunsAfter) {
  Harness h;
  std::vector<std::string> order;
  h.ctx->showTxError = [&](const char*) {
    order.push_back("box txError=" + std::to_string(h.ctx->txError) +
                    " etx=" + std::to_string(h.device.EtxCount()) +
                    " reads=" + std::to_string(h.device.ReadCalls()));
  };
  h.device.Close();
  BuildFrame(*h.ctx, {0x04, 0xFF, 0x80, 0x01});
  SendFrame(*h.ctx, Pacing::Unpaced);
  order.push_back("sent txError=" + std::to_string(h.ctx->txError));
  const ReplyResult reply = AwaitReply(*h.ctx);
  EXPECT_EQ(order, (std::vector<std::string>{"box txError=0 etx=0 reads=0", "sent txError=1"}));
  EXPECT_EQ(reply.timedOut, 1);
  EXPECT_EQ(h.device.ReadCalls(), 10);
}

TEST(FrameLink, ClosedPortDuringPacedFrameShowsOneMessageWithCountZero) {
  Harness h;
  h.clock.At(100, [&] { h.device.Close(); });
  std::vector<uint8_t> body(0x52, 0);
  body[0] = 0x52;
  body[1] = 0xFF;
  body[2] = 0x80;
  BuildFrame(*h.ctx, body);
  EXPECT_EQ(SendFrame(*h.ctx, Pacing::Paced), 0);
  EXPECT_EQ(h.boxes, std::vector<std::string>{"Error, expected 2 but 0"});
  EXPECT_EQ(h.ctx->txError, 1);
  // The pairs before the close went out, nothing after it (not even ETX).
  EXPECT_EQ(h.device.EtxCount(), 0);
  EXPECT_EQ(h.device.Line().size(), 1u + 2u * 20u);
}

TEST(FrameLink, WithoutAMessageHandlerTheTextGoesToStandardError) {
  Harness h;
  h.ctx->showTxError = nullptr;
  h.device.Close();
  BuildFrame(*h.ctx, {0x04, 0xFF, 0x80, 0x01});
  testing::internal::CaptureStderr();
  SendFrame(*h.ctx, Pacing::Unpaced);
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("Error, expected 2 but 0"), std::string::npos) << err;
  EXPECT_EQ(h.ctx->txError, 1);
}

TEST(FrameLink, NoPortBehavesAsAClosedPort) {
  Harness h;
  h.ctx->port = nullptr;
  BuildFrame(*h.ctx, {0x04, 0xFF, 0x80, 0x01});
  EXPECT_EQ(SendFrame(*h.ctx, Pacing::Unpaced), 0);
  EXPECT_EQ(h.boxes, std::vector<std::string>{"Error, expected 2 but 0"});
  const ReplyResult reply = AwaitReply(*h.ctx);
  EXPECT_EQ(reply.timedOut, 1);
  EXPECT_EQ(reply.k, 0);
  EXPECT_EQ(reply.retry, 10);
}

TEST(FrameLink, StopDuringPacedFrameSkipsThePairsButSendsEtxWithoutMessage) {
  Harness h;
  h.clock.At(100, [&] { h.ctx->stop.Request(); });
  std::vector<uint8_t> body(0x52, 0);
  body[0] = 0x52;
  body[1] = 0xFF;
  body[2] = 0x80;
  BuildFrame(*h.ctx, body);
  SendFrame(*h.ctx, Pacing::Paced);
  const auto line = h.device.Line();
  ASSERT_FALSE(line.empty());
  EXPECT_EQ(line.front(), kStx);
  EXPECT_EQ(line.back(), kEtx);
  EXPECT_LT(line.size(), 168u);
  EXPECT_TRUE(h.boxes.empty());
  EXPECT_EQ(h.ctx->txError, 0);
  EXPECT_EQ(h.clock.Now(), 100);
  // And the answer wait that would follow ends before its first read.
  const ReplyResult reply = AwaitReply(*h.ctx);
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
    Harness h;
    h.device.Script({c.answer});
    BuildFrame(*h.ctx, {0x04, 0xFF, 0x82, 0x01});
    SendFrame(*h.ctx, Pacing::Unpaced);
    const ReplyResult reply = AwaitReply(*h.ctx);
    EXPECT_EQ(reply.k, c.k) << c.name;
    EXPECT_EQ(static_cast<uint8_t>(reply.ret), c.ret) << c.name;
    EXPECT_EQ(reply.retry, c.retry) << c.name;
    EXPECT_EQ(reply.timedOut, c.timedOut) << c.name;
    EXPECT_FALSE(reply.stopped) << c.name;
    EXPECT_EQ(h.clock.TotalSleptMs(), c.sleptMs) << c.name;
  }
}

TEST(AnswerWait, SilenceMakesTenAttemptsAndSleeps10Then10Times100) {
  Harness h;
  h.device.Script({Answer::Silent()});
  BuildFrame(*h.ctx, {0x04, 0xFF, 0x82, 0x01});
  SendFrame(*h.ctx, Pacing::Unpaced);
  AwaitReply(*h.ctx);
  std::vector<int> expected{10};
  expected.insert(expected.end(), 10, 100);
  EXPECT_EQ(h.clock.Sleeps(), expected);
  EXPECT_EQ(h.device.ReadCalls(), 10);
}

TEST(AnswerWait, StrayByteIsReadAloneAndTheAckStaysForTheNextWait) {
  Harness h;
  h.device.Script({Answer::Bytes({0x41, 0x06})});
  BuildFrame(*h.ctx, {0x04, 0xFF, 0x82, 0x01});
  SendFrame(*h.ctx, Pacing::Unpaced);
  const ReplyResult first = AwaitReply(*h.ctx);
  EXPECT_EQ(static_cast<uint8_t>(first.ret), 0x41);
  EXPECT_EQ(h.device.ReadCalls(), 1);
  const ReplyResult second = AwaitReply(*h.ctx);
  EXPECT_EQ(static_cast<uint8_t>(second.ret), 0x06);
  EXPECT_EQ(second.retry, 0);
}

TEST(AnswerWait, StopRequestEndsTheWaitBeforeItsNextAttempt) {
  Harness h;
  h.device.Script({Answer::Silent()});
  BuildFrame(*h.ctx, {0x04, 0xFF, 0x82, 0x01});
  SendFrame(*h.ctx, Pacing::Unpaced);
  h.clock.At(350, [&] { h.ctx->stop.Request(); });
  const ReplyResult reply = AwaitReply(*h.ctx);
  EXPECT_TRUE(reply.stopped);
  EXPECT_EQ(reply.timedOut, 0);
  EXPECT_EQ(h.device.ReadCalls(), 4);  // attempts at 10, 110, 210, 310
  EXPECT_EQ(h.clock.Now(), 350);
}

struct DiagnosticCase {
  int32_t k;
  uint8_t ret;
  int32_t retry;
  const char* text;
};

TEST(FrameLink, DiagnosticShowsRetAsSignedByteWidenedTo32Bits) {
  const DiagnosticCase cases[] = {
      {1, 0x06, 0, "ERR!k = 01, ret = 06, retry = 0"},
      {1, 0x15, 3, "ERR!k = 01, ret = 15, retry = 3"},
      {1, 0x41, 0, "ERR!k = 01, ret = 41, retry = 0"},
      {1, 0x7F, 9, "ERR!k = 01, ret = 7F, retry = 9"},
      {1, 0x80, 0, "ERR!k = 01, ret = FFFFFF80, retry = 0"},
      {1, 0x90, 2, "ERR!k = 01, ret = FFFFFF90, retry = 2"},
      {1, 0xFF, 0, "ERR!k = 01, ret = FFFFFFFF, retry = 0"},
      {0, 0x00, 10, "ERR!k = 00, ret = 00, retry = 10"},
  };
  for (const DiagnosticCase& c : cases) {
    StatusText text;
    text.Set("ERR!");
    ReplyResult reply;
    reply.k = c.k;
    reply.ret = static_cast<int8_t>(c.ret);
    reply.retry = c.retry;
    AppendLinkDiagnostic(text, reply);
    EXPECT_EQ(Harness::Text(text), c.text);
  }
}

}  // namespace
}  // namespace brenvik::test
